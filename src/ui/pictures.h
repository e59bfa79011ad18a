#pragma once
// The program's own pictures, drawn as vectors so that they stay sharp at
// any scale: the mail and web links, the terms of use, and the banner of the
// terms window.

class QIcon;
class QPainter;
class QRectF;

namespace tally::ui {

void PaintMailPicture(QPainter& p, const QRectF& r);
void PaintWebPicture(QPainter& p, const QRectF& r);
void PaintTermsPicture(QPainter& p, const QRectF& r);
void PaintBannerPicture(QPainter& p, const QRectF& r);

// The application's icon (the one installed in the icon theme), at every size
// it ships in.
QIcon ApplicationIcon();

}  // namespace tally::ui
