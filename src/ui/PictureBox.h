#pragma once
// The picture control: holds at most one JpegPicture and paints it at its own
// size from the control's top-left corner, cut off at the control's edges,
// never stretched or centred. Where it paints nothing (no picture, a smaller
// picture, a failed one) it is transparent, so whatever lies under it shows
// through.
//
// A picture that fails to decode when first painted is not reported from the
// paint event (a modal box there would re-enter painting, and no exception
// may cross a Qt frame): the failure is handed to the failure handler from
// the event loop once painting is over, exactly once per picture.

#include <QWidget>
#include <exception>
#include <functional>
#include <optional>

#include "banner/JpegPicture.h"

namespace tavren {

class PictureBox : public QWidget {
  Q_OBJECT
 public:
  explicit PictureBox(QWidget* parent = nullptr);
  ~PictureBox() override;

  // Replaces the picture (an empty one included) and repaints.
  void SetPicture(JpegPicture picture);
  // Removes the picture: the control draws nothing, and repaints.
  void ClearPicture();
  // The picture held, or nullptr when none.
  const JpegPicture* Picture() const noexcept;

  // Called, from the event loop after the paint event, with a decode failure
  // (EJpegError). Without a handler the failure is dropped. The handler may
  // show a modal dialog and may throw nothing.
  void SetFailureHandler(std::function<void(std::exception_ptr)> handler);

 signals:
  // A mouse button was pressed on the control (any button, any modifiers).
  void mousePressed(Qt::MouseButton button);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  std::optional<JpegPicture> picture_;
  std::function<void(std::exception_ptr)> failureHandler_;
};

}  // namespace tavren
