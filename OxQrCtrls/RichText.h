#pragma once
// The rich text report control. It prints formatted text (RTF) inside its rectangle, can
// grow its band while the text does not fit, continues the rest on the next page, and,
// while the report is exported through a document filter, hands every printed piece to
// the filter as a picture and as the RTF of exactly the characters printed.
//
// Positions (NextCharPos, TextLength) follow richtext/RichDocument.h: one per character
// and one per paragraph mark; the last paragraph has no mark.
#include <memory>
#include <string>
#include <vector>

#include "engine/EngineTypes.h"
#include "engine/Printable.h"
#include "platform/Font.h"
#include "richtext/RichDocument.h"
#include "richtext/RichLayout.h"

namespace oxqr {

class TStream;

// Installs the rich text layout as the document filters' line breaker, so that rich text
// exported as plain lines breaks where the control shows it. Idempotent.
void InstallRichTextLineBreaker();

// The editor of a rich text control: a formatted document with the text operations the
// control prints through.
class TOxQRRichEdit {
 public:
  TOxQRRichEdit();

  // The text as lines, one per paragraph.
  std::vector<std::string> Lines() const;
  // Replaces the content by plain lines in Font and Alignment.
  void SetLines(const std::vector<std::string>& lines);
  // Reads RTF keeping its formatting, or plain text when the data is not RTF. Throws
  // EInvalidData (content unchanged) when the RTF is malformed, EFileError when the file
  // cannot be read.
  void LoadFromStream(TStream& stream);
  void LoadFromFile(const std::string& fileName);
  // Writes the whole content as RTF.
  void SaveToStream(TStream& stream) const;

  // Alignment of every paragraph (the first paragraph's when read).
  TAlignment Alignment() const;
  void SetAlignment(TAlignment alignment);
  // Font of text assigned through SetLines.
  const TFont& Font() const { return font_; }
  void SetFont(const TFont& font) { font_ = font; }
  TColor Color = clWindow;  // background of the editor

  const TRichDocument& Document() const { return doc_; }
  void SetDocument(TRichDocument doc) { doc_ = std::move(doc); }

  int TextLength() const { return doc_.TextLength(); }
  std::string PlainText(int start = 0, int end = -1) const { return doc_.PlainText(start, end); }
  // Position after the last character that fits the request's rectangle.
  int FormatRange(const TRichFormatRequest& request) const;
  // Draws what FormatRange places and returns the same position.
  int DrawRange(const TRichFormatRequest& request, TCanvas& canvas) const;
  // The characters [start, end) as an RTF document (end < 0: to the end).
  std::string RangeAsRTF(int start, int end) const;

 private:
  TRichCharFormat DefaultFormat() const;
  TRichDocument doc_;
  TFont font_;
};

class TOxQRCustomRichText : public TQRPrintable {
 public:
  TOxQRCustomRichText();
  ~TOxQRCustomRichText() override;

  TOxQRRichEdit& Editor() { return *editor_; }
  const TOxQRRichEdit& Editor() const { return *editor_; }
  // The editor printed instead of Editor when set; not owned (clear it before freeing).
  TOxQRRichEdit* ParentRichEdit() const { return parentRichEdit_; }

  // Position of the first character not printed yet.
  int NextCharPos = 0;
  bool AutoStretch = false;

  TAlignment Alignment() const { return editor_->Alignment(); }
  void SetAlignment(TAlignment a) { editor_->SetAlignment(a); }
  TColor GetColor() const { return editor_->Color; }
  // Sets the editor's colour and the control's background.
  void SetColor(TColor c);
  const TFont& Font() const { return editor_->Font(); }
  void SetFont(const TFont& f) { editor_->SetFont(f); }

  // Where the editor sits inside the control (1, 1, Width - 2, Height - 2), screen pixels.
  TRect EditorBounds() const;

  // Prints the next piece of the text (see RichText.cpp).
  void Print(int OffsetX, int OffsetY) override;
  void BeforePrint() override;
  bool Stretches() const override { return AutoStretch; }
  double PrintedHeight() const override { return Size.Height + printedExpansion_; }

 protected:
  TOxQRRichEdit* parentRichEdit_ = nullptr;

 private:
  const TOxQRRichEdit& Source() const { return parentRichEdit_ != nullptr ? *parentRichEdit_ : *editor_; }
  int DrawPiece(const TRichFormatRequest& request, double expansion, int OffsetX, int OffsetY, bool continuing);
  std::unique_ptr<TOxQRRichEdit> editor_;
  double printedExpansion_ = 0;  // how far the last Print drew below Size.Height
};

class TOxQRRichText : public TOxQRCustomRichText {
 public:
  std::vector<std::string> Lines() const { return Editor().Lines(); }
  // Assigns the lines to the Editor and, when set, to ParentRichEdit too.
  void SetLines(const std::vector<std::string>& lines);
  // Stores the reference; when set, copies that editor's lines (as text) into the Editor.
  void SetParentRichEdit(TOxQRRichEdit* editor);
};

}  // namespace oxqr
