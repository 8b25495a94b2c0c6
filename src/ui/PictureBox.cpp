#include "ui/PictureBox.h"

#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <utility>

namespace tavren {

PictureBox::PictureBox(QWidget* parent) : QWidget(parent) {
  // Unpainted parts must let the widgets below show through.
  setAttribute(Qt::WA_TranslucentBackground);
  setAttribute(Qt::WA_NoSystemBackground);
  setAutoFillBackground(false);
}

PictureBox::~PictureBox() = default;

void PictureBox::SetPicture(JpegPicture picture) {
  picture_ = std::move(picture);
  update();
}

void PictureBox::ClearPicture() {
  picture_.reset();
  update();
}

const JpegPicture* PictureBox::Picture() const noexcept { return picture_ ? &*picture_ : nullptr; }

void PictureBox::SetFailureHandler(std::function<void(std::exception_ptr)> handler) {
  failureHandler_ = std::move(handler);
}

void PictureBox::paintEvent(QPaintEvent*) {
  if (!picture_) return;
  std::exception_ptr failure;
  {
    QPainter painter(this);
    try {
      picture_->Draw(painter, QPoint(0, 0), size());
    } catch (...) {
      failure = std::current_exception();
    }
  }
  if (!failure || !failureHandler_) return;
  // Reported once painting is over: the handler may open a modal box, which
  // must not run inside a paint event. The picture remembers its failure, so
  // later paints raise nothing more.
  QTimer::singleShot(0, this, [this, failure] {
    if (failureHandler_) failureHandler_(failure);
  });
}

void PictureBox::mousePressEvent(QMouseEvent* event) {
  emit mousePressed(event->button());
  event->accept();
}

}  // namespace tavren
