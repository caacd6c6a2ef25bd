// The program's pictures, embedded from assets/ through the Qt resource system.
#pragma once

#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QSize>

namespace vorlane {

// The picture with every pixel of its bottom-left pixel's colour made transparent: the glyphs
// and the logo are drawn on a ground of one colour that the panel should show through.
QImage KeyOutBottomLeftColor(const QImage& picture);

// The maker's logo stretched to exactly the given size, proportions ignored.
QPixmap StretchedLogo(QSize size);
QImage FolderGlyph();
QImage WriteGlyph();
QIcon ProgramIcon();

}  // namespace vorlane
