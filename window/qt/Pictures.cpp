#include "window/qt/Pictures.h"

#include <QString>
#include <mutex>

// The resources live in this static library; naming them here makes the linker keep them
// (an unreferenced resource object would be dropped and every picture would come up empty).
static void RegisterPictureResources() {
  Q_INIT_RESOURCE(pictures);
}

namespace vorlane {
namespace {

QImage LoadPicture(const QString& name) {
  static std::once_flag registered;
  std::call_once(registered, RegisterPictureResources);
  return QImage(QStringLiteral(":/assets/") + name);
}

}  // namespace

QImage KeyOutBottomLeftColor(const QImage& picture) {
  QImage keyed = picture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  if (keyed.isNull()) return keyed;
  const QRgb key = keyed.pixel(0, keyed.height() - 1);
  for (int row = 0; row < keyed.height(); ++row) {
    auto* pixels = reinterpret_cast<QRgb*>(keyed.scanLine(row));
    for (int column = 0; column < keyed.width(); ++column) {
      if (pixels[column] == key) pixels[column] = qRgba(0, 0, 0, 0);
    }
  }
  return keyed;
}

QPixmap StretchedLogo(QSize size) {
  // Keyed before scaling: smooth scaling blends the transparent ground into the rim instead
  // of leaving a ring of almost-ground pixels that no longer match the key.
  const QImage keyed = KeyOutBottomLeftColor(LoadPicture(QStringLiteral("logo.png")));
  return QPixmap::fromImage(keyed.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
}

QImage FolderGlyph() {
  return LoadPicture(QStringLiteral("folder.png"));
}

QImage WriteGlyph() {
  return LoadPicture(QStringLiteral("write.png"));
}

QIcon ProgramIcon() {
  return QIcon(QPixmap::fromImage(LoadPicture(QStringLiteral("icon.png"))));
}

}  // namespace vorlane
