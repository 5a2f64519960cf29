#pragma once
// How the page view draws controls. The tree is loaded as the engine would load it, so that
// each control is drawn by the engine's design surface exactly as a report shows it while
// designing (fonts, colours, frames, pictures, barcodes, charts, rich text); while the tree
// does not load (a misspelt field, a dataset not yet opened), or for a control the load does
// not match, the control is drawn from its attributes instead.
#include <QRectF>
#include <QString>
#include <map>
#include <memory>
#include <string>

class QPainter;

namespace oxqr {

class TOxrNode;
class TOxrDocument;
class TQRDesignSurface;
class TQRPrintable;
class TReportDefinition;

class TPageRendering {
 public:
  TPageRendering();
  ~TPageRendering();
  TPageRendering(const TPageRendering&) = delete;
  TPageRendering& operator=(const TPageRendering&) = delete;

  // Loads the tree's text (relative file names from `fileName`'s folder). Controls the load
  // cannot give are drawn from the tree. A tree that differs from the last one loaded only
  // in where its controls stand is not loaded again: the engine's drawing is moved there.
  void Rebuild(TOxrDocument& tree, const QString& fileName);
  // The database a definition that names none reads (the designer's sample database), so
  // that such a definition loads and its controls are drawn by the engine.
  void SetDefaultDatabase(const std::string& path) { defaultDatabase_ = path; }
  // The loader's message when the tree did not load (empty when it did).
  const QString& LoadError() const { return error_; }

  // Draws `control` into `r` (pixels at 100 %, band at `band`); the painter's scale gives the zoom.
  void Paint(QPainter& painter, const TOxrNode& control, const QRectF& r, const QRectF& band) const;

 private:
  std::unique_ptr<TReportDefinition> definition_;
  std::unique_ptr<TQRDesignSurface> surface_;
  std::map<const TOxrNode*, const TQRPrintable*> engine_;
  QString error_;
  std::string key_;  // what the last load was made from
  std::string defaultDatabase_;
};

// Draws a control from its attributes alone (text, field name, colours, shapes, a named box).
void PaintControlFromTree(QPainter& painter, const TOxrNode& control, const QRectF& r);

}  // namespace oxqr
