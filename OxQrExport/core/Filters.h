#pragma once
// TOxQRFilters: the design-time face of QRExportSettings on a form. It holds no state:
// every property reads and writes the one global configuration, so every component on
// every form edits the same settings and destroying one changes nothing. Its form text
// ("  Text.XScaleFactor = 1.0") follows the stored rules of the settings.
#include <string>

#include "SettingProperties.h"
#include "Settings.h"

namespace oxqr {

class TOxQRFilters {
 public:
  // Read-only product text and version; the setters exist for the form designer and do nothing.
  std::string About() const;
  void SetAbout(const std::string&) {}
  std::string Version() const;
  void SetVersion(const std::string&) {}

  // The global's settings objects; the setters copy every property into them.
  TOxQRHTMLSettings& HTML() const { return QRExportSettings().HTML; }
  void SetHTML(const TOxQRHTMLSettings& v) const { QRExportSettings().HTML = v; }
  TOxQRPDFSettings& PDF() const { return QRExportSettings().PDF; }
  void SetPDF(const TOxQRPDFSettings& v) const { QRExportSettings().PDF = v; }
  TOxQRRTFSettings& RTF() const { return QRExportSettings().RTF; }
  void SetRTF(const TOxQRRTFSettings& v) const { QRExportSettings().RTF = v; }
  TOxQRExcelSettings& Excel() const { return QRExportSettings().Excel; }
  void SetExcel(const TOxQRExcelSettings& v) const { QRExportSettings().Excel = v; }
  TOxQRTextSettings& Text() const { return QRExportSettings().Text; }
  void SetText(const TOxQRTextSettings& v) const { QRExportSettings().Text = v; }
  TOxQRGIFSettings& GIF() const { return QRExportSettings().GIF; }
  void SetGIF(const TOxQRGIFSettings& v) const { QRExportSettings().GIF = v; }
  TOxQRJPEGSettings& JPEG() const { return QRExportSettings().JPEG; }
  void SetJPEG(const TOxQRJPEGSettings& v) const { QRExportSettings().JPEG = v; }
  TOxQRBMPSettings& BMP() const { return QRExportSettings().BMP; }
  void SetBMP(const TOxQRBMPSettings& v) const { QRExportSettings().BMP = v; }
  TOxQRMetafileSettings& EMF() const { return QRExportSettings().EMF; }
  void SetEMF(const TOxQRMetafileSettings& v) const { QRExportSettings().EMF = v; }
  TOxQRMetafileSettings& WMF() const { return QRExportSettings().WMF; }
  void SetWMF(const TOxQRMetafileSettings& v) const { QRExportSettings().WMF = v; }

  TOxQRVisibleFilters VisibleFilters() const { return QRExportSettings().VisibleFilters(); }
  // Calls the global's SetVisibleFilters only when the value changes.
  void SetVisibleFilters(TOxQRVisibleFilters value) const;

  // The global's events, read and written directly.
  TOxQRNotifyEvent& OnBeginJob() const { return QRExportSettings().OnBeginJob; }
  TOxQRNotifyEvent& OnBeginPage() const { return QRExportSettings().OnBeginPage; }
  TOxQRNotifyEvent& OnEndJob() const { return QRExportSettings().OnEndJob; }
  TOxQRNotifyEvent& OnEndPage() const { return QRExportSettings().OnEndPage; }
  TCreateBitmapEvent& OnCreateBitmap() const { return QRExportSettings().OnCreateBitmap; }
  TEncodeGraphicEvent& OnEncodeGraphic() const { return QRExportSettings().OnEncodeGraphic; }
  TEncodeGraphicDoneEvent& OnEncodeGraphicDone() const { return QRExportSettings().OnEncodeGraphicDone; }
  TErrorMessageEvent& OnErrorMessage() const { return QRExportSettings().OnErrorMessage; }
  TMakeImgFileNameEvent& OnMakeImgFileName() const { return QRExportSettings().OnMakeImgFileName; }
  TMakeRepFileNameEvent& OnMakeRepFileName() const { return QRExportSettings().OnMakeRepFileName; }

  // The component's form text: "object <name>: TOxQRFilters", one line "  Path = value" per
  // stored property in published order, "end". With an empty name only the property lines
  // are written. Lines end in "\n". Event handlers are code, not form text.
  std::string WriteFormText(const std::string& componentName) const;
  // Reads form text written by WriteFormText (object/end lines optional, "\r\n" accepted).
  // Every line is checked before any value is applied; an unknown property or a value that
  // does not fit throws EOxQRError naming it. About and Version lines are accepted and ignored.
  void ReadFormText(const std::string& text) const;
};

}  // namespace oxqr
