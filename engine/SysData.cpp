// System data: date and time (the date in the same default order as the data's dates,
// month first: m/d/yyyy; hh:nn:ss on a 24-hour clock; from the platform's clock), page
// number, report title, detail count and number, after the Text_ prefix.
#include <cstdio>

#include "Controls.h"
#include "Layout.h"
#include "Printer.h"
#include "Report.h"
#include "data/DataSet.h"
#include "data/DisplayFormat.h"
#include "platform/Locale.h"

namespace oxqr {
namespace {

// A report shows one date order: the footer's date is written the way the data's date
// fields are displayed by default.
std::string FormatDate(const std::tm& t) {
  TDateTimeParts date;
  date.Year = t.tm_year + 1900;
  date.Month = t.tm_mon + 1;
  date.Day = t.tm_mday;
  return FormatDateTime(kDefaultDateFormat, date);
}

std::string FormatTime(const std::tm& t) {
  char buf[48];
  std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", t.tm_hour, t.tm_min, t.tm_sec);
  return buf;
}

}  // namespace

std::string TQRSysData::Text() const {
  TQRCustomReport* report = OwnerReport();
  const TQRLayout* layout = report != nullptr ? TQRLayout::Of(*report) : nullptr;
  std::string value;
  switch (Data) {
    case TQRSysDataType::qrsTime: value = FormatTime(Now().Tm); break;
    case TQRSysDataType::qrsDate: value = FormatDate(Now().Tm); break;
    case TQRSysDataType::qrsDateTime: {
      const std::tm t = Now().Tm;
      value = FormatDate(t) + " " + FormatTime(t);
      break;
    }
    case TQRSysDataType::qrsPageNumber:
      value = std::to_string(report != nullptr ? report->PageNumbers().Current() : 0);
      break;
    case TQRSysDataType::qrsReportTitle:
      if (report != nullptr) value = report->ReportTitle;
      break;
    case TQRSysDataType::qrsDetailCount:
      value = std::to_string(report != nullptr && report->DataSet != nullptr ? report->DataSet->RecordCount() : 0);
      break;
    case TQRSysDataType::qrsDetailNo: value = std::to_string(layout != nullptr ? layout->DetailNumber() : 0); break;
  }
  return Text_ + value;
}

}  // namespace oxqr
