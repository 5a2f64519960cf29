// Report > Preview (F5): the designer's current state runs in the preview window; a fault
// of the definition or its data selects the element concerned and shows the message.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include "DesignerTestSupport.h"
#include "designer/FaultBar.h"
#include "designer/Inspector.h"
#include "designer/PreviewAction.h"
#include "engine/gui/PreviewWindow.h"

namespace oxqr {
namespace {

using test::Named;

TReportActions& ActionsOf(TDesignerWindow& window) {
  auto* actions = window.findChild<TReportActions*>("reportActions");
  EXPECT_NE(actions, nullptr);
  return *actions;
}

// Presses F5 on the window; returns the page count of the preview that opened (0: none).
int PressF5(TDesignerWindow& window) {
  int pages = 0;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (auto* preview = dynamic_cast<TQRPreviewWindow*>(QApplication::activeModalWidget())) {
      pages = preview->PageCount();
      preview->close();
    }
  });
  poll.start(20);
  window.show();
  QApplication::setActiveWindow(&window);
  QTest::keyClick(&window, Qt::Key_F5);
  return pages;
}

TEST(Preview, F5RunsTheCurrentStateWithItsData) {
  auto window = test::DesignerWith(test::CustomerDefinition());
  EXPECT_EQ(PressF5(*window), 3);  // five customers, two to a page
  EXPECT_FALSE(ActionsOf(*window).FaultBar().isVisibleTo(window.get()));

  // An edit not saved anywhere is what runs: a detail band of 50 mm fits five to a page.
  TDesignDocument& doc = window->Document();
  doc.SetAttributes({{Named(doc.Tree().Root(), "Detail"), "height", std::string("50")}}, "Height");
  EXPECT_EQ(PressF5(*window), 1);
}

struct TFaultCase {
  const char* Name;
  std::string Definition;
  const char* Selected;  // the name of the element selected after F5
  const char* Message;   // a part of the fault shown
};

TEST(Preview, AFaultSelectsItsElementAndShowsTheMessage) {
  const std::string good = test::CustomerDefinition();
  std::string misspelt = good;
  misspelt.replace(misspelt.find("Customer.Company"), 16, "Customer.Compnay");
  std::string badSql = good;
  badSql.replace(badSql.find("FROM customer ORDER"), 19, "\nFROM customers_missing\nORDER");
  std::string badToken = good;
  badToken.replace(badToken.find("{Customer.City}"), 15, "{Customer.Cty}");
  const TFaultCase cases[] = {
      {"misspelt field", misspelt, "Company", "Compnay"},
      {"SQL error", badSql, "Customer", "customers_missing"},
      {"misspelt token", badToken, "City", "unknown field 'Cty'"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    auto window = test::DesignerWith(c.Definition);
    TDesignDocument& doc = window->Document();
    EXPECT_EQ(PressF5(*window), 0);  // no preview opened
    ASSERT_EQ(doc.Selection().size(), 1u);
    EXPECT_EQ(doc.Selection().front()->Attribute("name"), c.Selected);
    const TFaultBar& bar = ActionsOf(*window).FaultBar();
    EXPECT_TRUE(bar.isVisibleTo(window.get()));
    EXPECT_TRUE(bar.text().contains(c.Message)) << bar.text().toStdString();
    EXPECT_TRUE(bar.text().startsWith("Line ")) << bar.text().toStdString();
    // The inspector shows the element at fault.
    EXPECT_EQ(window->Inspector().Targets(), doc.Selection());
    // Another definition opened leaves the fault behind: it named a line of this one.
    doc.Reset(ReadOxrDocument(good, "other.oxr"), "other.oxr");
    EXPECT_FALSE(bar.isVisibleTo(window.get())) << bar.text().toStdString();
  }
}

TEST(Preview, AValueStillBeingTypedIsPartOfWhatRuns) {
  auto window = test::DesignerWith(test::CustomerDefinition());
  TDesignDocument& doc = window->Document();
  doc.Select({Named(doc.Tree().Root(), "City")});
  auto* line = window->Inspector().Editor("text")->findChild<QLineEdit*>("line");
  line->setFocus();
  line->selectAll();
  QTest::keyClicks(line, "{Customer.Cty}");  // no Enter: F5 comes first
  EXPECT_EQ(PressF5(*window), 0);
  EXPECT_EQ(Named(doc.Tree().Root(), "City")->Attribute("text"), "{Customer.Cty}");
  EXPECT_EQ(doc.UndoStack().count(), 1);
  EXPECT_TRUE(ActionsOf(*window).FaultBar().text().contains("unknown field 'Cty'"));
}

}  // namespace
}  // namespace oxqr
