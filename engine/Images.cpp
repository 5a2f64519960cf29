// Picture controls and the one routine that places a picture in a rectangle.
#include <algorithm>
#include <cctype>

#include "Controls.h"
#include "Layout.h"
#include "data/DataSet.h"
#include "platform/Files.h"
#include "platform/ImageCodecs.h"
#include "platform/Streams.h"

namespace oxqr {

void DrawPictureInRect(TCanvas& canvas, const TRect& r, const TBitmap& picture, bool center, bool stretch) {
  if (picture.Empty() || r.Width() <= 0 || r.Height() <= 0) return;
  if (stretch) {
    canvas.StretchDraw(r, picture);
    return;
  }
  const int x = center ? r.Left + (r.Width() - picture.Width()) / 2 : r.Left;
  const int y = center ? r.Top + (r.Height() - picture.Height()) / 2 : r.Top;
  // Only the part inside the rectangle is drawn.
  const TRect visible = Rect(std::max(x, r.Left), std::max(y, r.Top), std::min(x + picture.Width(), r.Right),
                             std::min(y + picture.Height(), r.Bottom));
  if (visible.Width() <= 0 || visible.Height() <= 0) return;
  if (visible == Bounds(x, y, picture.Width(), picture.Height())) {
    canvas.StretchDraw(visible, picture);
    return;
  }
  TBitmap part;
  part.SetImage(picture.Image().copy(visible.Left - x, visible.Top - y, visible.Width(), visible.Height()));
  canvas.StretchDraw(visible, part);
}

void TQRImage::Print(int OffsetX, int OffsetY) {
  if (TCanvas* canvas = FinalCanvas(*this)) {
    TRect r = DeviceRect(OffsetX, OffsetY);
    // An auto-sized image is as large as its picture.
    if (AutoSize && !Picture.Empty()) r = Bounds(r.Left, r.Top, Picture.Width(), Picture.Height());
    DrawPictureInRect(*canvas, r, Picture, Center, Stretch);
  }
  TQRPrintable::Print(OffsetX, OffsetY);
}

namespace {

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

// A text field names a picture file: expanded, ".bmp" when it has no extension.
void LoadPictureFile(const std::string& name, TBitmap& out) {
  std::string path = ExpandFileName(name);
  if (ExtractFileExt(path).empty()) path += ".bmp";
  if (!FileExists(path)) {
    out.SetSize(1, 1);
    return;
  }
  if (Lower(ExtractFileExt(path)) == ".jpg")
    out.SetImage(DecodeJPEG(ReadFileBytes(path)));
  else
    out.LoadFromFile(path);
}

}  // namespace

bool TQRDBImage::LoadPicture(TBitmap& out) const {
  if (DataSet == nullptr || DataField.empty()) return false;
  TField* field = DataSet->FindField(DataField);
  if (field == nullptr) return false;
  try {
    if (field->IsBlob()) {
      const auto blob = field->CreateBlobStream();
      out.LoadFromStream(*blob);
    } else {
      LoadPictureFile(field->AsString(), out);
    }
  } catch (const std::exception&) {
    // A picture that cannot be read leaves what was loaded so far.
  }
  return true;
}

void TQRDBImage::Print(int OffsetX, int OffsetY) {
  if (TCanvas* canvas = FinalCanvas(*this)) {
    TBitmap picture;
    if (LoadPicture(picture)) DrawPictureInRect(*canvas, DeviceRect(OffsetX, OffsetY), picture, Center, Stretch);
  }
  TQRPrintable::Print(OffsetX, OffsetY);
}

}  // namespace oxqr
