#pragma once
// The small find box laid over a web view: a text field, the count of
// matches, previous / next and close. Enter finds the next match,
// Shift+Enter the previous one, Esc closes the box and clears the marks.

#include <QFrame>

class QLabel;
class QLineEdit;
class QTimer;
class QWebEngineFindTextResult;
class QWebEngineView;

namespace tavren {

class FindBar : public QFrame {
 public:
  // Hidden, kept over the top right corner of `view` as a child of the
  // view's parent (of the view when it has none); it searches whatever page
  // `view` holds at the time. Whoever deletes the view deletes the box.
  explicit FindBar(QWebEngineView& view);

  // Shows the box with its text selected and the focus in it.
  void Open();
  // Finds the next (or previous) match of the box's text; opens the box
  // when it is closed or empty, and clears the count and the marks when
  // the text is empty (the user emptied the box).
  void Find(bool backward);
  // Hides the box, clears the marks and gives the focus back to the view.
  void Close();

  // Keeps the box below `bar`, another overlay of the view along its top
  // edge, while that shows.
  void KeepBelow(QWidget& bar);

  // "N / M 件", "見つかりません", or empty before any search.
  QString CountText() const;
  QLineEdit* Field() const { return field_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Place();
  // Ends the search: no count, no marks in the page.
  void ClearMarks();
  void ShowResult(const QWebEngineFindTextResult& result);

  QWebEngineView& view_;
  QLineEdit* field_;
  QLabel* count_;
  QTimer* typing_;
  int searches_ = 0;
  QWidget* above_ = nullptr;
};

}  // namespace tavren
