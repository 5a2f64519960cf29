// Writing a report object as a definition. Attributes are written where the object differs
// from a new one of its kind, so that a saved file reads like one written by hand and loads
// back into the same objects.
#include <QBuffer>
#include <QFile>
#include <QXmlStreamWriter>
#include <filesystem>
#include <set>

#include "OxQrCtrls/Barcode.h"
#include "OxQrCtrls/ChartControl.h"
#include "definition/CrossTabControl.h"
#include "definition/ChartNames.h"
#include "OxQrCtrls/ExportControls.h"
#include "data/JsonData.h"
#include "data/Query.h"
#include "data/Table.h"
#include "definition/PrintCondition.h"
#include "expression/CalcDataSet.h"
#include "definition/DBRichText.h"
#include "definition/ExpressionUses.h"
#include "definition/OxrValues.h"
#include "definition/ReportDefinition.h"
#include "definition/SubReport.h"
#include "platform/CodePage.h"
#include "platform/SafeFile.h"

namespace fs = std::filesystem;

namespace oxqr {

using namespace oxr;

namespace {

QString Q(const std::string& utf8) { return QString::fromStdString(utf8); }
QString Q(std::string_view utf8) { return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())); }
// Report text (code page) as the file's UTF-8.
QString QAnsi(const std::string& ansi) { return AnsiToQString(ansi); }

std::string Identifier(std::string s) {
  for (char& c : s)
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') c = '_';
  if (s.empty() || std::isdigit(static_cast<unsigned char>(s[0]))) s = "D" + s;
  return s;
}

void WriteFileBytes(const fs::path& path, const std::string& bytes) {
  TSafeFileStream out(path.string());
  out.Write(bytes);
  out.Commit();
}

std::string ReadFileBytes(const std::string& path) {
  QFile f(Q(path));
  if (!f.open(QIODevice::ReadOnly)) throw EFileError(path, "read", 0, f.errorString().toStdString());
  return f.readAll().toStdString();
}

class TWriter {
 public:
  TWriter(const TQRCustomReport& report, const std::string& fileName, const TDefinitionNames& names)
      : report_(report), names_(names), path_(fileName), xml_(&buffer_) {
    buffer_.open(QIODevice::WriteOnly);
    xml_.setAutoFormatting(true);
    xml_.setAutoFormattingIndent(2);
  }

  void Write() {
    // A sub-report's bands are written as its <subreport> element, not as bands.
    for (const auto& b : report_.Bands())
      for (const auto& c : b->Controls())
        if (const auto* sub = dynamic_cast<const TQRSubReport*>(c.get())) subBands_.insert(sub->Bands.begin(), sub->Bands.end());
    NameDataSets();
    NameBands();
    xml_.writeStartDocument();
    xml_.writeStartElement("report");
    WriteReportAttributes();
    if (names_.Environment != nullptr) {
      for (const TReportParameter* p : names_.Environment->Parameters()) {
        xml_.writeEmptyElement("parameter");
        Attr("name", p->Name);
        Attr("type", ParamTypeName(p->Type));
        if (p->Value) Text("default", ParamValueText(*p->Value));
      }
    }
    for (const TDataSet* d : dataSets_) WriteDataSet(*d);
    for (const auto& b : report_.Bands())
      if (!subBands_.contains(b.get())) WriteBand(*b);
    xml_.writeEndElement();
    xml_.writeEndDocument();
    buffer_.close();
    WriteFileBytes(path_, buffer_.data().toStdString());
  }

 private:
  // ---- names of datasets and bands -----------------------------------------------------------

  void AddDataSet(const TDataSet* d) {
    if (d == nullptr || std::find(dataSets_.begin(), dataSets_.end(), d) != dataSets_.end()) return;
    const auto* table = dynamic_cast<const TTable*>(&Unwrapped(*d));
    const auto* query = dynamic_cast<const TQuery*>(&Unwrapped(*d));
    const auto* json = dynamic_cast<const TJsonDataSet*>(d);
    if (json != nullptr) {
      AddJsonDataSet(*json);
      return;
    }
    if (table == nullptr && query == nullptr)
      throw EOxQRError("dataset " + d->Name() + " is neither a table nor a query; a definition cannot describe it");
    const TDataSource* master = table != nullptr ? table->MasterSource : query->MasterSource;
    if (master != nullptr) AddDataSet(master->DataSet);  // masters first
    std::string name;
    if (auto it = names_.DataSets.find(d); it != names_.DataSets.end()) {
      name = it->second;
    } else {
      const std::string base = Identifier(table != nullptr ? fs::path(table->TableName).stem().string()
                                                           : (query->QueryName.empty() ? "Query" : query->QueryName));
      name = base;
      for (int n = 2; usedNames_.contains(name); ++n) name = base + std::to_string(n);
    }
    usedNames_.insert(name);
    dataSetNames_[d] = name;
    dataSets_.push_back(d);
  }

  // A JSON dataset keeps its own name: its details find it by path, not by name.
  void AddJsonDataSet(const TJsonDataSet& d) {
    if (d.Master() != nullptr) AddDataSet(d.Master());
    const auto it = names_.DataSets.find(&d);
    const std::string name = it != names_.DataSets.end() ? it->second : d.Name();
    usedNames_.insert(name);
    dataSetNames_[&d] = name;
    dataSets_.push_back(&d);
  }

  void WriteJsonDataSet(const TJsonDataSet& d) {
    xml_.writeStartElement("json");
    Attr("name", dataSetNames_.at(&d));
    if (!d.FileAttribute.empty()) Attr("file", d.FileAttribute);
    if (!d.PathAttribute.empty()) Attr("path", d.PathAttribute);
    auto fields = const_cast<TJsonDataSet&>(d).Fields();
    for (std::size_t i = 0; i < d.Declarations().size(); ++i) {
      xml_.writeEmptyElement("field");
      Attr("name", d.Declarations()[i].Name);
      Attr("type", JsonFieldTypeName(d.Declarations()[i].Type));
      if (i < fields.size() && !fields[i]->DisplayFormat.empty()) Text("format", fields[i]->DisplayFormat);
    }
    xml_.writeEndElement();
  }

  void NameDataSets() {
    AddDataSet(report_.DataSet);
    for (const auto& b : report_.Bands()) {
      if (subBands_.contains(b.get())) continue;
      if (const auto* sub = dynamic_cast<const TQRSubDetail*>(b.get())) AddDataSet(sub->DataSet);
      for (const auto& c : b->Controls()) {
        if (const auto* t = dynamic_cast<const TQRDBText*>(c.get())) AddDataSet(t->DataSet);
        if (const auto* i = dynamic_cast<const TQRDBImage*>(c.get())) AddDataSet(i->DataSet);
        if (const auto* r = dynamic_cast<const TDBRichText*>(c.get())) AddDataSet(r->DataSet);
        if (const auto* ch = dynamic_cast<const TQRDBChart*>(c.get())) AddDataSet(ch->DataSet);
        if (const auto* dc = dynamic_cast<const TQRDataChart*>(c.get())) AddDataSet(dc->DataSet);
        if (const auto* bc = dynamic_cast<const TOxQRDBBarcode*>(c.get())) AddDataSet(bc->DataSet);
        if (const auto* x = dynamic_cast<const TDefinitionCrossTab*>(c.get())) AddDataSet(x->Values.Sources().Data);
      }
    }
  }

  // Bands another band refers to need a name in the file.
  void NameBands() {
    std::set<std::string> used;
    for (const auto& b : report_.Bands())
      if (!b->Name.empty()) used.insert(b->Name);
    int n = 1;
    for (const auto& b : report_.Bands()) {
      std::string name = b->Name;
      while (name.empty() || (b->Name.empty() && used.contains(name))) name = "Band" + std::to_string(n++);
      used.insert(name);
      bandNames_[b.get()] = name;
    }
  }

  std::string FieldRef(const TDataSet* d, const std::string& field) const {
    if (d == nullptr) throw EOxQRError("field " + field + " has no dataset");
    return dataSetNames_.at(d) + "." + field;
  }

  // ---- attributes ----------------------------------------------------------------------------

  void Attr(const char* name, const std::string& utf8) { xml_.writeAttribute(name, Q(utf8)); }
  void Attr(const char* name, std::string_view utf8) { xml_.writeAttribute(name, Q(utf8)); }
  void Text(const char* name, const std::string& ansi) { xml_.writeAttribute(name, QAnsi(ansi)); }
  void Mm(const char* name, double native) { Attr(name, FormatMM(native)); }
  void Bool(const char* name, bool value, bool def) {
    if (value != def) Attr(name, FormatBool(value));
  }
  void Color(const char* name, TColor value, TColor def) {
    if (value != def) Attr(name, FormatColor(value));
  }
  template <class E>
  void Enum(const char* name, const TNameTable<E>& table, E value, E def) {
    if (value != def) Attr(name, NameOf(table, value));
  }
  void Font(const std::string& prefix, const TFont& f, const TFont& def) {
    if (f.Name != def.Name) Text(prefix.c_str(), f.Name);
    if (f.Size != def.Size) Attr((prefix + "Size").c_str(), std::to_string(f.Size));
    if (f.Style != def.Style) Attr((prefix + "Style").c_str(), FormatFontStyles(f.Style));
    Color((prefix + "Color").c_str(), f.Color, def.Color);
  }
  void Frame(const TQRFrame& f, const TQRFrame& def) {
    if (FormatFrameSides(f) != FormatFrameSides(def)) Attr("frame", FormatFrameSides(f));
    Color("frameColor", f.Color, def.Color);
    if (f.Width != def.Width) Attr("frameWidth", std::to_string(f.Width));
    Enum("frameStyle", PenStyleNames(), f.Style, def.Style);
  }

  void WriteReportAttributes() {
    const TQRReport def;
    const TQRPage& p = report_.Page;
    Text("name", report_.Name);
    Text("title", report_.ReportTitle);
    if (!names_.DatabaseAttribute.empty()) Attr("database", names_.DatabaseAttribute);
    Attr("paper", NameOf(PaperNames(), p.PaperSize));
    if (p.PaperSize == TQRPaperSize::Custom) {
      Mm("pageWidth", p.NativeWidth);
      Mm("pageHeight", p.NativeLength);
    }
    Enum("orientation", OrientationNames(), p.Orientation, def.Page.Orientation);
    Mm("topMargin", p.NativeTopMargin);
    Mm("bottomMargin", p.NativeBottomMargin);
    Mm("leftMargin", p.NativeLeftMargin);
    Mm("rightMargin", p.NativeRightMargin);
    Enum("units", UnitNames(), report_.Units(), def.Units());
    if (report_.Zoom() != def.Zoom()) Attr("zoom", std::to_string(report_.Zoom()));
    Bool("printIfEmpty", report_.PrintIfEmpty, def.PrintIfEmpty);
    Bool("firstPageHeader", report_.Options.FirstPageHeader, def.Options.FirstPageHeader);
    Bool("lastPageFooter", report_.Options.LastPageFooter, def.Options.LastPageFooter);
    Font("font", report_.Font, def.Font);
    Frame(report_.Frame, def.Frame);
    if (report_.Language != def.Language) Text("language", report_.Language);
    if (!report_.PdfConformance.empty()) Attr("pdfConformance", report_.PdfConformance);
    if (report_.DataSet != nullptr) Attr("dataset", dataSetNames_.at(report_.DataSet));
    if (!names_.BurstField.empty()) Attr("burstField", names_.BurstField);
    if (!names_.BurstName.empty()) Attr("burstName", names_.BurstName);
  }

  // A dataset with calculated fields is written as the dataset it wraps.
  static const TDataSet& Unwrapped(const TDataSet& d) {
    const auto* calc = dynamic_cast<const expr::TCalcDataSet*>(&d);
    return calc != nullptr ? calc->Inner() : d;
  }

  void WriteCalcs(const TDataSet& d) {
    const auto* calc = dynamic_cast<const expr::TCalcDataSet*>(&d);
    if (calc == nullptr) return;
    for (const auto& c : calc->Calcs()) {
      xml_.writeEmptyElement("calc");
      Text("name", c->FieldName);
      Text("expression", c->Expression() != nullptr ? c->Expression()->Source() : "null");
      if (!c->DisplayFormat.empty()) Text("format", c->DisplayFormat);
    }
  }

  void WriteDataSet(const TDataSet& d) {
    if (const auto* json = dynamic_cast<const TJsonDataSet*>(&d)) {
      WriteJsonDataSet(*json);
      return;
    }
    if (const auto* query = dynamic_cast<const TQuery*>(&Unwrapped(d))) {
      xml_.writeStartElement("query");
      Attr("name", dataSetNames_.at(&d));
      if (query->MasterSource != nullptr && query->MasterSource->DataSet != nullptr)
        Attr("master", dataSetNames_.at(query->MasterSource->DataSet));
      xml_.writeCharacters(QAnsi(query->SQL));
      WriteCalcs(d);
      xml_.writeEndElement();
      return;
    }
    const auto& table = dynamic_cast<const TTable&>(Unwrapped(d));
    xml_.writeStartElement("table");
    Attr("name", dataSetNames_.at(&d));
    Text("table", table.TableName);
    if (table.MasterSource != nullptr && table.MasterSource->DataSet != nullptr) {
      Attr("master", dataSetNames_.at(table.MasterSource->DataSet));
      Text("masterFields", table.MasterFields);
    }
    if (!table.IndexName.empty()) Text("index", table.IndexName);
    for (TField* f : const_cast<TTable&>(table).Fields()) {
      if (f->DisplayFormat.empty()) continue;
      xml_.writeEmptyElement("field");
      Text("name", f->FieldName);
      Text("format", f->DisplayFormat);
    }
    WriteCalcs(d);
    xml_.writeEndElement();
  }

  void WriteBand(const TQRCustomBand& b) {
    const TQRCustomBand def(b.BandType);
    xml_.writeStartElement("band");
    Attr("type", NameOf(BandTypeNames(), b.BandType));
    Attr("name", bandNames_.at(&b));
    Mm("height", b.Size.Height);
    Color("color", b.Color, def.Color);
    Frame(b.Frame, def.Frame);
    Bool("enabled", b.Enabled, def.Enabled);
    if (!b.Role.empty()) Attr("role", b.Role);
    if (b.ChildBand != nullptr) Attr("child", bandNames_.at(b.ChildBand));
    PrintCondition(b.PrintCondition.get());
    if (const auto* sub = dynamic_cast<const TQRSubDetail*>(&b)) {
      if (sub->DataSet == nullptr) throw EOxQRError("sub-detail band " + b.Name + " has no dataset");
      Attr("dataset", dataSetNames_.at(sub->DataSet));
      if (sub->Master != nullptr) Attr("master", bandNames_.at(sub->Master));
      if (sub->HeaderBand != nullptr) Attr("header", bandNames_.at(sub->HeaderBand));
      if (sub->FooterBand != nullptr) Attr("footer", bandNames_.at(sub->FooterBand));
      Bool("printIfEmpty", sub->PrintIfEmpty, false);
    } else if (const auto* group = dynamic_cast<const TQRGroup*>(&b)) {
      if (!group->Expression.empty()) Attr("field", FieldRef(report_.DataSet, group->Expression));
      if (const auto* key = dynamic_cast<const TExpressionGroupKey*>(group->Key.get())) Text("expression", key->Source());
      if (group->Master != nullptr) Attr("master", bandNames_.at(group->Master));
      if (group->FooterBand != nullptr) Attr("footer", bandNames_.at(group->FooterBand));
      GroupOptions(*group);
    }
    if (const auto* styles = dynamic_cast<const TBandStyles*>(b.ColorRule.get())) WriteStyles(styles->Styles);
    for (const auto& c : b.Controls()) WriteControl(*c);
    xml_.writeEndElement();
  }

  void GroupOptions(const TQRGroup& g) {
    const TQRGroup def;
    Bool("repeatHeader", g.RepeatHeader, def.RepeatHeader);
    Bool("keepTogether", g.KeepTogether, def.KeepTogether);
    Bool("newPage", g.NewPage, def.NewPage);
    Bool("resetPageNumber", g.ResetPageNumber, def.ResetPageNumber);
    if (g.OrphanLines == 1) Attr("keepWithNext", FormatBool(true));
    if (g.OrphanLines > 1) Attr("orphanLines", std::to_string(g.OrphanLines));
  }

  // <style> elements of a control or band, in their order.
  void WriteStyles(const std::vector<TConditionalStyle>& styles) {
    for (const auto& st : styles) {
      xml_.writeEmptyElement("style");
      Text("when", st.When);
      if (st.Color) Attr("color", FormatColor(*st.Color));
      if (st.FontColor) Attr("fontColor", FormatColor(*st.FontColor));
      if (st.FontStyle) Attr("fontStyle", FormatFontStyles(*st.FontStyle));
    }
  }
  void ControlStyles(const TQRPrintable& c) {
    if (const auto* styles = dynamic_cast<const TControlStyles*>(c.StyleRule.get())) WriteStyles(styles->Styles);
  }

  // ---- controls ------------------------------------------------------------------------------

  void Common(const TQRPrintable& c, const TQRPrintable& def) {
    if (!c.Name.empty()) Text("name", c.Name);
    Mm("left", c.Size.Left);
    Mm("top", c.Size.Top);
    Mm("width", c.Size.Width);
    Mm("height", c.Size.Height);
    Color("color", c.Color, def.Color);
    Frame(c.Frame, def.Frame);
    Bool("enabled", c.Enabled, def.Enabled);
    if (c.Tag != def.Tag) Attr("tag", std::to_string(c.Tag));
    Enum("shift", ShiftNames(), c.Shift, def.Shift);
    PrintCondition(c.PrintCondition.get());
    if (!c.Role.empty()) Attr("role", c.Role);
    if (!c.Alt.empty()) Text("alt", c.Alt);
  }

  void PrintCondition(const TQRPrintCondition* condition) {
    if (condition == nullptr) return;
    if (const auto* e = dynamic_cast<const TExpressionCondition*>(condition)) return Text("printWhen", e->Source());
    const auto* field = dynamic_cast<const TFieldCondition*>(condition);
    if (field == nullptr) throw EOxQRError("a print condition of a kind a definition cannot describe");
    Text("printWhen", field->ToString());
  }

  void TextLook(const TQRCustomLabel& c, const TQRCustomLabel& def) {
    Font("font", c.Font, def.Font);
    Enum("align", AlignmentNames(), c.Alignment, def.Alignment);
    Bool("alignToBand", c.AlignToBand, def.AlignToBand);
    Bool("autoSize", c.AutoSize, def.AutoSize);
    Bool("autoStretch", c.AutoStretch, def.AutoStretch);
    Bool("wordWrap", c.WordWrap, def.WordWrap);
    Bool("transparent", c.Transparent, def.Transparent);
    Bool("suppressBlankLines", c.SuppressBlankLines, def.SuppressBlankLines);
    Enum("rotation", TextRotationNames(), c.Rotation, def.Rotation);
  }

  // A file beside the definition for the control's picture or text: the file it was loaded
  // from copied as it is, else `fresh` written anew.
  std::string SideFile(const TQRPrintable& c, const std::string& ext, const std::function<std::string()>& fresh) {
    const auto source = names_.ControlFiles.find(&c);
    const std::string suffix = source != names_.ControlFiles.end() ? fs::path(source->second).extension().string() : ext;
    std::string base = path_.stem().string() + "-" + Identifier(c.Name.empty() ? "control" : c.Name);
    std::string name = base + suffix;
    for (int n = 2; sideFiles_.contains(name); ++n) name = base + std::to_string(n) + suffix;
    sideFiles_.insert(name);
    WriteFileBytes(path_.parent_path() / name,
                   source != names_.ControlFiles.end() ? ReadFileBytes(source->second) : fresh());
    return name;
  }

  // <subreport>: its file as written when it is found so from where this file goes, else
  // its full path.
  void WriteSubReport(const TQRSubReport& s) {
    xml_.writeStartElement("subreport");
    Attr("name", s.Name);
    std::error_code ec;
    const fs::path near = fs::weakly_canonical(fs::absolute(fs::path(path_).parent_path() / s.File), ec);
    const bool same = !ec && near == fs::weakly_canonical(fs::path(s.FullPath), ec) && !ec;
    Attr("file", same ? s.File : fs::absolute(s.FullPath).string());
    if (!s.Parameters.empty()) Text("parameters", s.Parameters);
    if (s.MinHeight > 0) Mm("height", s.MinHeight);
    for (const auto& t : s.Totals) {
      xml_.writeEmptyElement("total");
      Attr("name", t.Name);
      Text("expression", t.Expression);
      if (!t.Format.empty()) Text("format", t.Format);
    }
    xml_.writeEndElement();
  }

  void WriteControl(const TQRPrintable& c) {
    if (const auto* sub = dynamic_cast<const TQRSubReport*>(&c)) return WriteSubReport(*sub);
    if (const auto* chart = dynamic_cast<const TQRDBChart*>(&c)) return WriteChart(*chart);
    if (const auto* chart = dynamic_cast<const TQRDataChart*>(&c)) return WriteDataChart(*chart);
    if (const auto* rich = dynamic_cast<const TOxQRRichText*>(&c)) return WriteRichText(*rich);
    if (const auto* code = dynamic_cast<const TOxQRCustomBarcode*>(&c)) return WriteBarcode(*code);
    if (const auto* table = dynamic_cast<const TDefinitionCrossTab*>(&c)) return WriteCrossTab(*table);
    if (const auto* t = dynamic_cast<const TQRDBText*>(&c)) {
      const TOxQRDBText def;
      xml_.writeStartElement("text");
      Common(c, def);
      TextLook(*t, def);
      Attr("field", FieldRef(t->DataSet, t->DataField));
    } else if (const auto* s = dynamic_cast<const TQRSysData*>(&c)) {
      const TOxQRSysData def;
      xml_.writeStartElement("sysdata");
      Common(c, def);
      TextLook(*s, def);
      Attr("data", NameOf(SysDataNames(), s->Data));
      if (!s->Text_.empty()) Text("text", s->Text_);
    } else if (const auto* m = dynamic_cast<const TQRMemo*>(&c)) {
      const TOxQRMemo def;
      xml_.writeStartElement("memo");
      Common(c, def);
      TextLook(*m, def);
      for (const auto& line : m->Lines) xml_.writeTextElement("line", QAnsi(line));
    } else if (const auto* l = dynamic_cast<const TQRLabel*>(&c)) {
      const TOxQRLabel def;
      xml_.writeStartElement("label");
      Common(c, def);
      TextLook(*l, def);
      // A plain label's braces are literal; a token label's caption is token text already.
      Text("text", dynamic_cast<const TTokenTextOwner*>(l) != nullptr ? l->Caption : EscapeTokenText(l->Caption));
    } else if (const auto* sh = dynamic_cast<const TQRShape*>(&c)) {
      const TOxQRShape def;
      xml_.writeStartElement("shape");
      Common(c, def);
      Attr("shape", NameOf(ShapeNames(), sh->Shape));
      Color("brushColor", sh->Brush.Color, def.Brush.Color);
      Enum("brushStyle", BrushStyleNames(), sh->Brush.Style, def.Brush.Style);
      Color("penColor", sh->Pen.Color, def.Pen.Color);
      if (sh->Pen.Width != def.Pen.Width) Attr("penWidth", std::to_string(sh->Pen.Width));
      Enum("penStyle", PenStyleNames(), sh->Pen.Style, def.Pen.Style);
    } else if (const auto* di = dynamic_cast<const TQRDBImage*>(&c)) {
      const TOxQRDBImage def;
      xml_.writeStartElement("image");
      Common(c, def);
      Attr("field", FieldRef(di->DataSet, di->DataField));
      Bool("center", di->Center, def.Center);
      Bool("stretch", di->Stretch, def.Stretch);
    } else if (const auto* im = dynamic_cast<const TQRImage*>(&c)) {
      const TOxQRImage def;
      xml_.writeStartElement("image");
      Common(c, def);
      Attr("file", SideFile(c, ".png", [im] {
             QByteArray bytes;
             QBuffer buffer(&bytes);
             buffer.open(QIODevice::WriteOnly);
             if (!im->Picture.Image().save(&buffer, "PNG")) throw EOxQRError("the picture cannot be written as PNG");
             return bytes.toStdString();
           }));
      Bool("center", im->Center, def.Center);
      Bool("stretch", im->Stretch, def.Stretch);
      Bool("autoSize", im->AutoSize, def.AutoSize);
    } else {
      throw EOxQRError("control " + c.Name + " is of a kind a definition cannot describe");
    }
    ControlStyles(c);
    xml_.writeEndElement();
  }

  void WriteRichText(const TOxQRRichText& c) {
    const TOxQRRichText def;
    xml_.writeStartElement("richtext");
    Common(c, def);
    if (c.Font() != def.Font()) Font("font", c.Font(), def.Font());
    Bool("autoStretch", c.AutoStretch, def.AutoStretch);
    if (const auto* db = dynamic_cast<const TDBRichText*>(&c)) {
      Attr("field", FieldRef(db->DataSet, db->DataField));
    } else {
      Attr("file", SideFile(c, ".rtf", [&c] {
             TMemoryStream s;
             c.Editor().SaveToStream(s);
             return s.Bytes();
           }));
    }
    ControlStyles(c);
    xml_.writeEndElement();
  }

  void WriteBarcode(const TOxQRCustomBarcode& c) {
    const TOxQRBarcode def;
    xml_.writeStartElement("barcode");
    Common(c, def);
    if (const auto* db = dynamic_cast<const TOxQRDBBarcode*>(&c)) {
      Attr("field", FieldRef(db->DataSet, db->DataField));
    } else if (const auto* token = dynamic_cast<const TTokenTextOwner*>(&c)) {
      Text("text", token->TokenText().Source());
    } else {
      const auto& fixed = dynamic_cast<const TOxQRBarcode&>(c);
      if (fixed.TextProvider) throw EOxQRError("barcode " + c.Name + " takes its text from the program");
      if (!fixed.Text.empty()) Text("text", EscapeTokenText(fixed.Text));
    }
    Attr("symbology", NameOf(SymbologyNames(), c.Symbology));
    Bool("showText", c.ShowText, def.ShowText);
    if (c.ModuleSize != def.ModuleSize) Attr("moduleSize", FormatNumber(c.ModuleSize));
    Bool("quietZone", c.QuietZone, def.QuietZone);
    Enum("errorLevel", ErrorLevelNames(), c.ErrorLevel, def.ErrorLevel);
    Color("barColor", c.ForeColor, def.ForeColor);
    Enum("rotation", RotationNames(), c.Rotation, def.Rotation);
    Font("font", c.Font, def.Font);
    ControlStyles(c);
    xml_.writeEndElement();
  }

  void WriteChart(const TQRDBChart& c) {
    const TOxQRChart def;
    xml_.writeStartElement("chart");
    Common(c, def);
    Attr("labels", FieldRef(c.DataSet, c.LabelField));
    Attr("values", FieldRef(c.DataSet, c.ValueField));
    const TPieChart& look = c.Chart;
    if (look.Title != def.Chart.Title) Text("title", look.Title);
    Font("titleFont", look.TitleFont, def.Chart.TitleFont);
    Enum("titleAlign", AlignmentNames(), look.TitleAlignment, def.Chart.TitleAlignment);
    Color("panelColor", look.Color, def.Chart.Color);
    if (look.Gradient.Visible) {
      Attr("gradientStart", FormatColor(look.Gradient.StartColor));
      Attr("gradientEnd", FormatColor(look.Gradient.EndColor));
    }
    Color("seriesColor", look.SeriesColor, def.Chart.SeriesColor);
    Bool("marks", look.MarksVisible, def.Chart.MarksVisible);
    Bool("legend", look.LegendVisible, def.Chart.LegendVisible);
    Font("labelFont", look.LabelFont, def.Chart.LabelFont);
    ControlStyles(c);
    xml_.writeEndElement();
  }

  // The expressions as written: they name the datasets by the definition's names.
  void WriteCrossTab(const TDefinitionCrossTab& c) {
    const TDefinitionCrossTab def;
    xml_.writeStartElement("crosstab");
    Common(c, def);
    Font("font", c.Font, def.Font);
    Text("dataset", c.DataSetName);
    Text("rows", c.Rows);
    Text("columns", c.Columns);
    Text("value", c.Value);
    if (!c.Format.empty()) Text("format", c.Format);
    if (!c.Group.empty()) Text("group", c.Group);
    if (c.RowHeaderWidth != def.RowHeaderWidth) Mm("rowHeaderWidth", c.RowHeaderWidth);
    if (c.ColumnWidth != def.ColumnWidth) Mm("columnWidth", c.ColumnWidth);
    if (c.RowHeight != def.RowHeight) Mm("rowHeight", c.RowHeight);
    if (c.TotalCaption != def.TotalCaption) Text("totalCaption", c.TotalCaption);
    ControlStyles(c);
    xml_.writeEndElement();
  }

  // A chart over aggregated values: its expressions as written, its look where it differs.
  void WriteDataChart(const TQRDataChart& c) {
    const TOxQRDataChart def;
    const TChartLook& look = c.Look;
    xml_.writeStartElement("chart");
    Common(c, def);
    Attr("type", NameOf(ChartKindNames(), look.Kind));
    Attr("dataset", c.DataSet != nullptr ? dataSetNames_.at(c.DataSet) : c.DataSetName);
    Text("category", c.CategorySource);
    Text("value", c.ValueSource);
    if (!c.SeriesSource.empty()) Text("series", c.SeriesSource);
    if (!c.SortSource.empty()) Text("sort", c.SortSource);
    if (look.Horizontal) Attr("orientation", std::string("horizontal"));
    Bool("stacked", look.Stacked, def.Look.Stacked);
    Enum("labels", ChartValueLabelNames(), look.Labels, def.Look.Labels);
    if (!look.Colors.empty()) {
      std::string colors;
      for (const TColor color : look.Colors) colors += (colors.empty() ? "" : ",") + FormatColor(color);
      Attr("colors", colors);
    }
    if (look.Title != def.Look.Title) Text("title", look.Title);
    Font("titleFont", look.TitleFont, def.Look.TitleFont);
    Font("labelFont", look.Font, def.Look.Font);
    Bool("legend", look.Legend, def.Look.Legend);
    Bool("markers", look.Markers, def.Look.Markers);
    Color("panelColor", look.Background, def.Look.Background);
    ControlStyles(c);
    xml_.writeEndElement();
  }

  const TQRCustomReport& report_;
  const TDefinitionNames& names_;
  fs::path path_;
  QByteArray bytesOut_;
  QBuffer buffer_;
  QXmlStreamWriter xml_;
  std::vector<const TDataSet*> dataSets_;
  std::map<const TDataSet*, std::string> dataSetNames_;
  std::set<std::string> usedNames_;
  std::map<const TQRCustomBand*, std::string> bandNames_;
  std::set<const TQRCustomBand*> subBands_;  // bands of sub-reports, written as <subreport>
  std::set<std::string> sideFiles_;
};

}  // namespace

void SaveReportDefinition(const TQRCustomReport& report, const std::string& fileName, const TDefinitionNames& names) {
  TWriter(report, fileName, names).Write();
}

TDefinitionNames DefinitionNames(const TReportDefinition& definition) {
  TDefinitionNames names;
  for (const auto& [name, data] : definition.DataSets()) names.DataSets[data] = name;
  names.ControlFiles = definition.ControlFiles();
  names.BurstField = definition.BurstField();
  names.BurstName = definition.BurstName();
  names.Environment = &definition.Environment();
  return names;
}

}  // namespace oxqr
