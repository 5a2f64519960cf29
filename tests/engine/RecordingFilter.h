#pragma once
// An export filter that records the engine's calls, for checking their order and values.
#include <functional>
#include <string>
#include <vector>

#include "engine/ExportFilter.h"

namespace oxqr::test {

struct TextCall {
  double X, Y;
  TAlignment Alignment;
  std::string Text;
  int Page;  // number of OpenPage calls before it
};

class RecordingFilter : public TQRExportFilter {
 public:
  using TQRExportFilter::TQRExportFilter;
  std::vector<std::string> Calls;  // StartJob, ClosePage, OpenPage, FinishJob, "T:<text>"
  std::vector<TextCall> Texts;
  int StartWidth = 0, StartHeight = 0;
  int Pages = 0;
  std::function<void()> OnOpenPage;  // runs inside OpenPage

  std::string DisplayName() const override { return "Recorder"; }
  std::string Extension() const override { return "rec"; }
  void StartJob(int w, int h, const TFont& f) override {
    TQRExportFilter::StartJob(w, h, f);
    StartWidth = w;
    StartHeight = h;
    Calls.push_back("StartJob");
  }
  void ClosePage() override { Calls.push_back("ClosePage"); }
  void OpenPage() override {
    ++Pages;
    Calls.push_back("OpenPage");
    if (OnOpenPage) OnOpenPage();
  }
  void FinishJob() override {
    TQRExportFilter::FinishJob();
    Calls.push_back("FinishJob");
  }
  void WriteText(double x, double y, const TFont&, TColor, TAlignment a, const std::string& text) override {
    Texts.push_back({x, y, a, text, Pages});
    Calls.push_back("T:" + text);
  }
  // The calls without the texts.
  std::vector<std::string> Skeleton() const {
    std::vector<std::string> out;
    for (const auto& c : Calls)
      if (c.rfind("T:", 0) != 0) out.push_back(c);
    return out;
  }
  std::vector<std::string> TextsOfPage(int page) const {
    std::vector<std::string> out;
    for (const auto& t : Texts)
      if (t.Page == page) out.push_back(t.Text);
    return out;
  }
};

}  // namespace oxqr::test
