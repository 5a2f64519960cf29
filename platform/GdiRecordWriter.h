#pragma once
// The part of the EMF and WMF writers that does not depend on the file format: the walk
// over a page's records, the player's object table, the selected pen, brush and font,
// and the text and background colours, so that an object or colour is written only
// when it changes. A format derives as `class TFmt : TGdiRecordWriter<TFmt>` and
// supplies the records (it may keep them private and befriend this class):
//   CreatePen / CreateBrush / CreateFont (slot, value), SelectObject(slot),
//   DeleteObject(slot), TextColor(colorref), BkColor(colorref),
//   DrawText(MrText), DrawBitmap(MrBitmap), DrawRectangle(TRect), DrawEllipse(TRect),
//   DrawLine(from, to).
#include <algorithm>
#include <cstdint>
#include <optional>
#include <variant>
#include <vector>

#include "Metafile.h"
#include "MetafileBinary.h"
#include "TextMetrics.h"

namespace oxqr::metafile {

template <class Format>
class TGdiRecordWriter {
 protected:
  // `reservedSlots` leading slots of the object table are never handed out.
  explicit TGdiRecordWriter(std::size_t reservedSlots) : used_(reservedSlots, true) {}

  void WriteRecords(const TMetafile& mf) {
    for (const auto& rec : mf.Records) std::visit([this](const auto& r) { Write(r); }, rec);
  }

  void SelectPen(const TPen& pen) { Select(pen_, pen, [&](auto slot) { Fmt().CreatePen(slot, pen); }); }
  void SelectBrush(const TBrush& brush) { Select(brush_, brush, [&](auto slot) { Fmt().CreateBrush(slot, brush); }); }
  void SelectFont(const TFont& font) { Select(font_, font, [&](auto slot) { Fmt().CreateFont(slot, font); }); }
  void SetTextColor(TColor c) { SetColor(textColor_, c, [this](auto ref) { Fmt().TextColor(ref); }); }
  void SetBkColor(TColor c) { SetColor(bkColor_, c, [this](auto ref) { Fmt().BkColor(ref); }); }

  // Puts the given stock objects back in the device and deletes what the page created.
  void ReleaseObjects(std::uint32_t stockFont, std::uint32_t stockPen, std::uint32_t stockBrush) {
    Release(font_, stockFont);
    Release(pen_, stockPen);
    Release(brush_, stockBrush);
  }

  // Slots the player's object table needs: the highest one used plus one.
  std::size_t ObjectTableSize() const { return used_.size(); }

 private:
  // One GDI object kind: the slot of the selected object and its value.
  template <class T>
  struct TSelected {
    std::optional<std::uint32_t> Slot;
    std::optional<T> Value;
  };

  Format& Fmt() { return static_cast<Format&>(*this); }

  // Underline and strike-out are written as filled bars under a plain font: readers
  // (LibreOffice among them) paint the whole text box in the background colour for a
  // decorated font even in transparent mode, which hid white titles on coloured bands.
  void Write(const MrText& t) {
    if (t.Text.empty() && !t.Opaque) return;
    const bool underline = t.Font.Style.Has(TFontStyle::fsUnderline);
    const bool strikeOut = t.Font.Style.Has(TFontStyle::fsStrikeOut);
    // A turned line keeps the decoration in its font: upright bars would cross it.
    if ((!underline && !strikeOut) || t.Font.Orientation % 3600 != 0) {
      Fmt().DrawText(t);
      return;
    }
    MrText plain = t;
    plain.Font.Style.Exclude(TFontStyle::fsUnderline);
    plain.Font.Style.Exclude(TFontStyle::fsStrikeOut);
    Fmt().DrawText(plain);
    if (t.Text.empty()) return;
    const TTextDecorationLines lines = TextDecorationLines(t.Font);
    const int width = TextExtent(t.Font, t.Text).cx;
    const auto bar = [&](int top) {
      TRect r{t.X, t.Y + top, t.X + width, t.Y + top + lines.Thickness};
      if (t.Clipped) {
        r = TRect{std::max(r.Left, t.Clip.Left), std::max(r.Top, t.Clip.Top), std::min(r.Right, t.Clip.Right),
                  std::min(r.Bottom, t.Clip.Bottom)};
      }
      if (r.Right > r.Left && r.Bottom > r.Top) Write(MrFillRect{r, TBrush{t.Font.Color, TBrushStyle::bsSolid}});
    };
    if (underline) bar(lines.UnderlineTop);
    if (strikeOut) bar(lines.StrikeOutTop);
  }
  void Write(const MrBitmap& b) {
    if (!b.Image || b.Image->isNull()) return;
    Fmt().DrawBitmap(b);
  }
  void Write(const MrRectangle& r) {
    SelectPen(r.Pen);
    SelectBrush(r.Brush);
    Fmt().DrawRectangle(r.R);
  }
  void Write(const MrEllipse& e) {
    SelectPen(e.Pen);
    SelectBrush(e.Brush);
    Fmt().DrawEllipse(e.R);
  }
  void Write(const MrLine& l) {
    SelectPen(l.Pen);
    Fmt().DrawLine(l.From, l.To);
  }
  // A fill is a rectangle without outline; with a null pen the device leaves out the
  // right and bottom edges, so the box grows by one pixel to cover `R` exactly.
  void Write(const MrFillRect& f) {
    SelectPen(TPen{clBlack, 1, TPenStyle::psClear});
    SelectBrush(f.Brush);
    Fmt().DrawRectangle(TRect{f.R.Left, f.R.Top, f.R.Right + 1, f.R.Bottom + 1});
  }

  // A new object takes the lowest free slot of the player's object table.
  std::uint32_t AllocSlot() {
    auto it = std::find(used_.begin(), used_.end(), false);
    if (it == used_.end()) {
      used_.push_back(true);
      return static_cast<std::uint32_t>(used_.size() - 1);
    }
    *it = true;
    return static_cast<std::uint32_t>(it - used_.begin());
  }

  // Creates `value` in a new slot, selects it and deletes the object it replaces.
  template <class T, class Create>
  void Select(TSelected<T>& sel, const T& value, Create&& create) {
    if (sel.Value == value) return;
    const auto slot = AllocSlot();
    create(slot);
    Fmt().SelectObject(slot);
    if (sel.Slot) {
      Fmt().DeleteObject(*sel.Slot);
      used_[*sel.Slot] = false;
    }
    sel.Slot = slot;
    sel.Value = value;
  }

  template <class T>
  void Release(TSelected<T>& sel, std::uint32_t stock) {
    if (!sel.Slot) return;
    Fmt().SelectObject(stock);
    Fmt().DeleteObject(*sel.Slot);
    used_[*sel.Slot] = false;
    sel.Slot.reset();
  }

  template <class WriteColor>
  void SetColor(std::optional<std::uint32_t>& current, TColor c, WriteColor&& write) {
    const auto ref = ColorRef(c);
    if (current == ref) return;
    write(ref);
    current = ref;
  }

  std::vector<bool> used_;
  TSelected<TPen> pen_;
  TSelected<TBrush> brush_;
  TSelected<TFont> font_;
  std::optional<std::uint32_t> textColor_;
  std::optional<std::uint32_t> bkColor_;
};

}  // namespace oxqr::metafile
