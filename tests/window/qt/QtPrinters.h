// Readable failure messages for the Qt values the window tests compare. GoogleTest finds these
// by argument-dependent lookup, so they live in Qt's (global) namespace.
#pragma once

#include <QColor>
#include <QRect>
#include <QStringList>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* out) {
  *out << '"' << text.toStdString() << '"';
}

inline void PrintTo(const QStringList& texts, std::ostream* out) {
  *out << '{' << texts.join(QStringLiteral(", ")).toStdString() << '}';
}

inline void PrintTo(const QColor& colour, std::ostream* out) {
  *out << "rgb(" << colour.red() << ", " << colour.green() << ", " << colour.blue() << ')';
}

inline void PrintTo(const QPoint& point, std::ostream* out) {
  *out << '(' << point.x() << ", " << point.y() << ')';
}

inline void PrintTo(const QSize& size, std::ostream* out) {
  *out << size.width() << " x " << size.height();
}

inline void PrintTo(const QRect& rect, std::ostream* out) {
  *out << rect.x() << ", " << rect.y() << ", " << rect.width() << " x " << rect.height();
}
