// The document frame: which files a job writes and their names, the head
// written in front of each file's body, the external style sheet and the page
// navigator.
#include <QFontMetricsF>
#include <QString>

#include "HtmlFilter.h"
#include "HtmlMarkup.h"
#include "OxQrConsts/OxQrConsts.h"
#include "OxQrExport/core/DocumentFunctions.h"
#include "OxQrExport/core/Settings.h"
#include "platform/CodePage.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/TextMetrics.h"

namespace oxqr {

namespace {

using html::CRLF;

const TOxQRHTMLSettings& HtmlSettings() { return QRExportSettings().HTML; }

std::string Trimmed(const std::string& s) {
  const auto first = s.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

// Settings may name folders with either separator; the files live under '/'.
std::string Slashed(std::string s) {
  for (char& c : s)
    if (c == '\\') c = '/';
  return s;
}

// The folder a relative or absolute `path` (a folder ending in '/', or a file)
// lies in, taken relative to `baseFolder`, created when missing. The current
// directory is not used for relative paths when a base folder is known, and
// never changed.
std::string ResolveFolder(const std::string& path, const std::string& baseFolder) {
  if (path.empty()) return baseFolder;
  const std::string full = ExpandFileName(path.front() == '/' ? path : baseFolder + path);
  const std::string folder = IncludeTrailingBackslash(ExtractFilePath(full));
  if (!DirectoryExists(folder)) ForceFolder(folder);
  return folder;
}

// The size of a navigator text that the code page cannot hold (the graphic
// navigator's arrows), measured like TextExtent measures 8-bit text.
TSize UnicodeTextExtent(const TFont& font, const std::u16string& text) {
  EnsureGuiApplication();
  const QFontMetricsF metrics(ToQFont(font));
  const double width = metrics.horizontalAdvance(QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size())));
  return TSize{static_cast<int>(RoundHalfEven(width)), TextExtent(font, " ").cy};
}

std::string Meta(const std::string& name, const std::string& content) {
  return "<META NAME=\"" + name + "\" CONTENT=\"" + html::EscapeMarkup(content) + "\">";
}

}  // namespace

void TOxQRHTMLFilter::BeginDocument() {
  const auto& settings = HtmlSettings();
  OptimizeBackground = settings.OptimizeBackgroundPainting;
  Output = std::make_unique<TMemoryStream>();
  ResetStyleClasses();
  picturesByHash_.clear();
  encodedPictures_.Clear();

  const html::TNavigatorContents nav =
      html::NavigatorContents(settings.UseTextLinks, settings.GraphicNavUseWebdings, settings.FirstLinkText,
                              settings.PrevLinkText, settings.NextLinkText, settings.LastLinkText);
  NavFirstText = nav.First;
  NavPrevText = nav.Prev;
  NavNextText = nav.Next;
  NavLastText = nav.Last;
  NavFontName = nav.FontName;

  // The file name without ".htm", cut by length.
  const std::size_t cut = Extension().size() + 1;
  SetBaseName(FileName.size() > cut ? FileName.substr(0, FileName.size() - cut) : std::string());

  const std::string folder = ExtractFilePath(FileName);
  ImageHref = Slashed(Trimmed(settings.ImageDir));
  CssHref = Slashed(Trimmed(settings.CSSFileName));
  if (CssHref.empty()) CssHref = ChangeFileExt(ExtractFileName(FileName), ".css");
  if (ExtractFileExt(CssHref).empty()) CssHref += ".css";
  CssFilePath = ResolveFolder(CssHref, folder) + ExtractFileName(CssHref);
  if (!ImageHref.empty() && ImageHref.back() != '/') ImageHref += '/';
  ImageFolder = ResolveFolder(ImageHref, folder);

  auto& all = QRExportSettings();
  all.CreatedReportFiles.Clear();
  all.CreatedImageFiles.Clear();
  if (settings.SingleFile) {
    all.CreatedReportFiles.Add(ExtractFileName(FileName));
  } else {
    for (int i = 1; i <= TotalPages; ++i) {
      std::string name = PageFileName(i);
      if (all.OnMakeRepFileName) all.OnMakeRepFileName(this, name, i);
      all.CreatedReportFiles.Add(name);
    }
  }

  PositionPrefix = settings.OptimizeForIE ? "" : "position:absolute; ";

  TFont navFont;
  navFont.Name = NavFontName;
  navFont.Size = 18;
  const TSize extent = settings.UseTextLinks ? TextExtent(navFont, settings.FirstLinkText + " ")
                                             : UnicodeTextExtent(navFont, nav.MeasureText);
  NavWidth = 4.0 * extent.cx;
  NavHeight = extent.cy;
}

std::string TOxQRHTMLFilter::PageFilePath() {
  if (HtmlSettings().SingleFile) return FileName;
  auto& all = QRExportSettings();
  const int index = PageNumber() - 1;
  if (index >= all.CreatedReportFiles.Count()) {
    // A page beyond the preview's page count gets its name now, like the others
    // at the start.
    std::string name = PageFileName(PageNumber());
    if (all.OnMakeRepFileName) all.OnMakeRepFileName(this, name, PageNumber());
    all.CreatedReportFiles.Add(name);
  }
  return ExtractFilePath(BaseName()) + all.CreatedReportFiles[index];
}

void TOxQRHTMLFilter::BeginPage() {
  TOxQRDocumentFilter::BeginPage();
  const auto& settings = HtmlSettings();
  if (settings.SingleFile && PageNumber() != 1) return;
  try {
    // The file replaces an earlier one of that name only when it is complete.
    OutputStream = std::make_unique<TSafeFileStream>(PageFilePath());
  } catch (const EFileError& e) {
    AbortFileNotCreated(e);
    return;
  }
  static_cast<TMemoryStream&>(*Output).Clear();
  if (!settings.OutputStylesToCSSFile) ResetStyleClasses();
}

void TOxQRHTMLFilter::ClosePage() {
  if (!PageOpen()) return;
  const auto& settings = HtmlSettings();
  PageEndContent();
  if (!settings.SingleFile && settings.ShowNavigator && TotalPages > 1) Output->Write(NavigatorDiv());
  if (!settings.SingleFile || PageNumber() == TotalPages) FinishFile();
  TOxQRDocumentFilter::ClosePage();
}

void TOxQRHTMLFilter::FinishFile() {
  if (!OutputStream) return;
  Output->Write("</BODY>\r\n</HTML>\r\n");
  try {
    // The head comes last because it lists the style classes the body used.
    OutputStream->Write(HeadMarkup());
    OutputStream->Write(Body());
    OutputStream->Commit();
  } catch (const EFileError& e) {
    OutputStream.reset();
    AbortFileNotCreated(e);
    return;
  }
  OutputStream.reset();
}

std::string TOxQRHTMLFilter::NavigatorLinks() {
  const auto& files = QRExportSettings().CreatedReportFiles;
  const int p = PageNumber();
  const int n = TotalPages;
  auto entry = [&](int i) -> const std::string* {
    return i >= 0 && i < files.Count() ? &files.Items[i].Text : nullptr;
  };
  const std::string* first = p != 1 ? entry(0) : nullptr;
  const std::string* prev = p != 1 ? entry(p - 2) : nullptr;
  const std::string* next = p < n ? entry(p) : nullptr;
  const std::string* last = p < n ? entry(n - 1) : nullptr;
  return html::NavigatorLink(first, SFirstPage, NavFirstText) + "&nbsp;" +
         html::NavigatorLink(prev, SPreviousPage, NavPrevText) + "&nbsp;" +
         html::NavigatorLink(next, SNextPage, NavNextText) + "&nbsp;" +
         html::NavigatorLink(last, SLastPage, NavLastText);
}

std::string TOxQRHTMLFilter::NavigatorDiv() {
  const std::string style = "font:18pt " + NavFontName + "; color:#0000FF\">" + NavigatorLinks() + "</DIV>";
  if (HtmlSettings().NavigatorType == TOxQRNavigatorType::ntFixedToScreen)
    return "<SPAN ID=\"OxNavigator\">\r\n<DIV STYLE=\"" + PositionPrefix + style + "\r\n</SPAN>";
  // Below the page's lower right corner, in a margin of its own: it covers none of the page.
  return "<DIV STYLE=\"" + PositionPrefix + "top: " + FormatNumber(PageHeight) +
         "px; left: " + FormatNumber(PageWidth - NavWidth) + "px; " + style + "\r\n";
}

std::string TOxQRHTMLFilter::NavigatorScript() {
  return html::NavigatorScript(FormatNumber(NavHeight), FormatNumber(NavWidth), FormatNumber(PageWidth));
}

std::string TOxQRHTMLFilter::ClassRules() const {
  std::string rules;
  for (std::size_t i = 0; i < StyleClasses.size(); ++i)
    rules += std::string(CRLF) + ".S" + std::to_string(i) + " {" + StyleClasses[i] + "}";
  return rules;
}

std::string TOxQRHTMLFilter::HeadMarkup() {
  const auto& s = HtmlSettings();
  const bool linkRules = !s.SingleFile && s.ShowNavigator;
  const bool script = s.NavigatorType == TOxQRNavigatorType::ntFixedToScreen && linkRules && TotalPages != 1;
  const std::string title = s.Title.empty() ? ReportTitle : s.Title;

  std::string h =
      "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0 "
      "transitional//EN\">\r\n<HTML> <HEAD>\r\n<TITLE>" +
      html::EscapeMarkup(title) + "</TITLE>\r\n";
  h += "<META HTTP-EQUIV=\"Content-Style-Type\" CONTENT=\"text/css\" "
       "CHARSET=\"" +
       html::CharsetOfCodePage(AnsiCodePage()) + "\">\r\n";
  h += Meta("Keywords", s.Keywords) + "\r\n" + Meta("Author", s.Author) + "\r\n" + Meta("Creator", s.Creator) + "\r\n";
  if (!s.Subject.empty()) h += Meta("Subject", s.Subject) + "\r\n";
  h += Meta("Producer", "OxQRFilters V" + std::string(SVersion) + " for QRReport (https://oxqrfilters.example.org)");
  if (s.OptimizeForIE && s.OutputStylesToCSSFile)
    h += "\r\n<LINK rel=\"stylesheet\" href=\"" + html::EncodeUrl(CssHref) + "\" type=\"text/css\">";
  h += "\r\n<STYLE>\r\n<!--";
  if (s.OptimizeForIE) {
    h += "\r\nDIV {position:absolute; font:" + html::FontShorthand(ReportFont) + "}";
    if (!s.OutputStylesToCSSFile) h += ClassRules();
  }
  if (linkRules) {
    const std::string font = "{font:18pt " + NavFontName + "; text-decoration:none; color:";
    h += "\r\nA:link " + font + "#0000FF; background-color:#FFFFFF}";
    h += "\r\nA:visited " + font + "#0000FF; background-color:#FFFFFF}";
    h += "\r\nA:hover " + font + "#FFFFFF;background-color:#0000FF}";
  }
  h += "\r\nSPAN {position: absolute; visibility: hidden}\r\n-->\r\n</STYLE>";
  if (script) h += "\r\n<SCRIPT LANGUAGE=\"JavaScript\">\r\n<!--\r\n" + NavigatorScript() + "\r\n-->\r\n</SCRIPT>";
  h += "\r\n</HEAD>\r\n<BODY BGCOLOR = \"#FFFFFF\"";
  if (script) h += " onLoad=\"initNavigator()\"";
  h += ">\r\n";
  return h;
}

void TOxQRHTMLFilter::EndDocument() {
  // One file whose last page never came (the run printed fewer pages than the
  // preview has) is finished here rather than lost.
  if (OutputStream) FinishFile();
  Output.reset();
  const auto& s = HtmlSettings();
  if (s.OptimizeForIE && s.OutputStylesToCSSFile) {
    const std::string rules = ClassRules();
    try {
      WriteFileSafely(CssFilePath, std::string_view(rules).substr(rules.empty() ? 0 : CRLF.size()));
    } catch (const EFileError&) {
      ReportError(this, std::string(SCSSFileNotCreated));  // the documents are kept; not aborted
    }
  }
  ResetStyleClasses();
  encodedPictures_.Clear();  // the bytes are not needed after the job
}

}  // namespace oxqr
