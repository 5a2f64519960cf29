#include "FontWarnings.h"

#include <mutex>

#include <QString>
#include <QtGlobal>

namespace oxqr {
namespace {

QtMessageHandler previousHandler = nullptr;

void FilterMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (type == QtWarningMsg && message.trimmed().startsWith(QLatin1String("OpenType support missing for "))) return;
  if (previousHandler) previousHandler(type, context, message);
}

}  // namespace

void SilenceFontWarnings() {
  static std::once_flag once;
  std::call_once(once, [] { previousHandler = qInstallMessageHandler(FilterMessage); });
}

}  // namespace oxqr
