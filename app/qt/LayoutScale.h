#pragma once
// The window's reference layout is given in pixels at 96 dots per inch; a
// screen of another density gets every position and size scaled alike.

#include <QRect>
#include <QScreen>
#include <QtMath>

namespace fieldsync {

class TLayoutScale {
 public:
  explicit TLayoutScale(const QScreen* screen)
      : FFactor(screen ? screen->logicalDotsPerInch() / ReferenceDotsPerInch : 1.0) {}

  int operator()(int pixels) const { return qRound(pixels * FFactor); }
  QRect Rect(int left, int top, int width, int height) const {
    return QRect((*this)(left), (*this)(top), (*this)(width), (*this)(height));
  }

 private:
  static constexpr double ReferenceDotsPerInch = 96.0;
  double FFactor;
};

}  // namespace fieldsync
