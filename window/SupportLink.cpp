#include "window/SupportLink.h"

#include <QUrl>

namespace vorlane {

const char* const SupportUrl = VORLANE_SUPPORT_URL;

QString SupportLinkText() {
  return QStringLiteral("技术支持：") + QUrl(QString::fromUtf8(SupportUrl)).host();
}

}  // namespace vorlane
