#pragma once
// Shared set-up of the showcase's widget tests: one QApplication for the process (created
// before anything draws, so that charts work), the library started as the program starts
// it, and watchers that answer modal windows (error boxes, previews, dialogs) the way a
// user would, from a timer inside their event loop.
#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <gtest/gtest.h>

#include "Showcase/app/ShowcaseStart.h"
#include "tests/OxQrExport/support/ExportTestSupport.h"

namespace oxqr::testing {

class TShowcaseEnvironment final : public ::testing::Environment {
 public:
  void SetUp() override {
    static int argc = 1;
    static char name[] = "showcase_tests";
    static char* argv[] = {name, nullptr};
    app_ = std::make_unique<QApplication>(argc, argv);
    StartShowcaseLibrary();
  }
  void TearDown() override { app_.reset(); }

 private:
  std::unique_ptr<QApplication> app_;
};

// Calls `handle` once for every visible top-level widget of type T that appears while the
// watcher lives (T need not be a QObject type with its own meta object).
template <class T>
class TWindowWatcher {
 public:
  explicit TWindowWatcher(std::function<void(T&)> handle) : handle_(std::move(handle)) {
    QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
    timer_.start(10);
  }
  int Seen() const { return static_cast<int>(seen_.size()); }

 private:
  void Poll() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      auto* t = dynamic_cast<T*>(w);
      if (t == nullptr || !w->isVisible() || seen_.count(w) != 0) continue;
      seen_.insert(w);
      handle_(*t);
    }
  }
  std::function<void(T&)> handle_;
  std::set<QWidget*> seen_;
  QTimer timer_;
};

// Records and closes every message box, as a user reading it and pressing OK.
class TBoxWatcher {
 public:
  TBoxWatcher()
      : watcher_([this](QMessageBox& box) {
          texts_.push_back(box.text().toStdString());
          QTimer::singleShot(0, &box, [&box] { box.accept(); });
        }) {}
  const std::vector<std::string>& Texts() const { return texts_; }

 private:
  std::vector<std::string> texts_;
  TWindowWatcher<QMessageBox> watcher_;
};

// A scratch folder for one test.
class TScratch {
 public:
  TScratch() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = "oxqr_showcase_" + std::string(info->test_suite_name()) + "_" + info->name();
    for (char& c : name)
      if (c == '/') c = '_';
    dir_ = std::filesystem::temp_directory_path() / name;
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  ~TScratch() {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  const std::filesystem::path& Dir() const { return dir_; }
  std::string operator/(const std::string& name) const { return (dir_ / name).string(); }
  // Names of the files in the folder, sorted.
  std::vector<std::string> Files() const {
    std::vector<std::string> out;
    for (const auto& e : std::filesystem::directory_iterator(dir_)) out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
  }

 private:
  std::filesystem::path dir_;
};

}  // namespace oxqr::testing
