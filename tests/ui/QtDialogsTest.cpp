// The real dialogs, driven headless: each test opens a dialog and, from a
// timer inside the dialog's own event loop, inspects it and presses keys.

#include "ui/QtDialogs.h"

#include "ui/AccessibleRoles.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>

// Readable failures for Qt strings.
QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
inline void PrintTo(const QByteArray& b, std::ostream* os) { *os << '"' << b.toStdString() << '"'; }
QT_END_NAMESPACE

namespace tavren {
namespace {

const QString kTitle = QStringLiteral("Tavren");

// Calls `act` with the application's modal dialog as soon as one is shown.
// The dialog's exec() runs the event loop that fires the timer; a dialog that
// never shows fails the test after a while instead of hanging.
void WhenModalShown(std::function<void(QWidget*)> act) {
  auto* timer = new QTimer;
  timer->setInterval(10);
  auto tries = std::make_shared<int>(0);
  QObject::connect(timer, &QTimer::timeout, [timer, tries, act = std::move(act)] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr && ++*tries < 500) return;
    timer->stop();
    timer->deleteLater();
    if (modal == nullptr) {
      ADD_FAILURE() << "no modal dialog appeared";
      return;
    }
    act(modal);
  });
  timer->start();
}

// Presses `key` where the user's key would go: the focused control of the
// dialog, else the dialog itself.
void Press(QWidget* dialog, Qt::Key key) {
  QWidget* target = dialog->focusWidget() != nullptr ? dialog->focusWidget() : dialog;
  QTest::keyClick(target, key);
}

// Closes whatever modal dialog is left open, so a failed check cannot hang
// the run.
void CloseLeftOver(QWidget* dialog) {
  QTimer::singleShot(0, dialog, [d = QPointer<QWidget>(dialog)] {
    if (d && d->isVisible()) {
      ADD_FAILURE() << "the key did not close the dialog";
      if (auto* asDialog = qobject_cast<QDialog*>(d.data())) asDialog->reject();
    }
  });
}

// Types `text` into `w` as a user would: ASCII by key, anything else as the
// input method commits it.
void Type(QWidget* w, const QString& text) {
  for (QChar c : text) {
    if (c.unicode() < 0x80) {
      QTest::keyClick(w, static_cast<char>(c.unicode()));
    } else {
      QInputMethodEvent commit;
      commit.setCommitString(QString(c));
      QApplication::sendEvent(w, &commit);
    }
  }
}

QList<QAbstractButton*> Buttons(QWidget* dialog) {
  QList<QAbstractButton*> visible;
  for (QAbstractButton* b : dialog->findChildren<QAbstractButton*>()) {
    if (b->isVisibleTo(dialog)) visible.append(b);
  }
  return visible;
}

bool ShowsAnIcon(QWidget* dialog) {
  for (QLabel* label : dialog->findChildren<QLabel*>()) {
    if (label->isVisibleTo(dialog) && !label->pixmap().isNull()) return true;
  }
  return false;
}

struct KeyRow {
  Qt::Key key;
  const char* name;
};
const KeyRow kClosingKeys[] = {{Qt::Key_Return, "Enter"}, {Qt::Key_Enter, "keypad Enter"}, {Qt::Key_Escape, "Esc"}};

TEST(QtDialogsErrorBox, StopIconTitleOneOkThatEnterAndEscPress) {
  QtDialogs dialogs(kTitle);
  for (const KeyRow& row : kClosingKeys) {
    SCOPED_TRACE(row.name);
    bool inspected = false;
    WhenModalShown([&](QWidget* w) {
      inspected = true;
      auto* box = qobject_cast<QMessageBox*>(w);
      ASSERT_NE(box, nullptr);
      EXPECT_EQ(box->windowTitle(), kTitle);
      EXPECT_EQ(box->icon(), QMessageBox::Critical);
      EXPECT_EQ(box->text(), QStringLiteral("ファイルが見つかりません."));
      const QList<QAbstractButton*> buttons = Buttons(box);
      ASSERT_EQ(buttons.size(), 1);
      EXPECT_EQ(buttons.front()->text(), QStringLiteral("OK"));
      Press(box, row.key);
      CloseLeftOver(box);
    });
    dialogs.ErrorBox(QStringLiteral("ファイルが見つかりません."));
    EXPECT_TRUE(inspected);
  }
}

TEST(QtDialogsErrorBox, ShowsTextAsGivenNeverAsMarkup) {
  QtDialogs dialogs(kTitle);
  const QString texts[] = {QStringLiteral("<b>bold</b> & <i>x</i>"), QStringLiteral("HTTP/1.1 404 Not Found"),
                           QStringLiteral("I/O エラー (102)"), QStringLiteral("a\nb")};
  for (const QString& text : texts) {
    WhenModalShown([&](QWidget* w) {
      auto* box = qobject_cast<QMessageBox*>(w);
      ASSERT_NE(box, nullptr);
      EXPECT_EQ(box->textFormat(), Qt::PlainText);
      auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
      ASSERT_NE(label, nullptr);
      EXPECT_EQ(label->text(), text);
      EXPECT_EQ(label->textFormat(), Qt::PlainText);
      Press(box, Qt::Key_Escape);
      CloseLeftOver(box);
    });
    dialogs.ErrorBox(text);
  }
}

TEST(QtDialogsMessage, NoIconOneOkThatEnterAndEscPressCentredOnScreen) {
  QtDialogs dialogs(kTitle);
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  for (const KeyRow& row : kClosingKeys) {
    SCOPED_TRACE(row.name);
    bool inspected = false;
    WhenModalShown([&](QWidget* w) {
      inspected = true;
      // A QMessageBox raises an alert that platforms may answer with a sound.
      EXPECT_EQ(qobject_cast<QMessageBox*>(w), nullptr);
      EXPECT_EQ(w->objectName(), QStringLiteral("MessageDialog"));
      EXPECT_EQ(w->windowTitle(), kTitle);
      EXPECT_TRUE(w->isModal());
      EXPECT_FALSE(ShowsAnIcon(w));
      const QList<QAbstractButton*> buttons = Buttons(w);
      ASSERT_EQ(buttons.size(), 1);
      EXPECT_EQ(buttons.front()->text(), QStringLiteral("OK"));
      auto* text = w->findChild<QLabel*>(QStringLiteral("MessageText"));
      ASSERT_NE(text, nullptr);
      EXPECT_EQ(text->text(), QStringLiteral("ページがありません"));
      EXPECT_LE((w->frameGeometry().center() - screen.center()).manhattanLength(), 2);
      Press(w, row.key);
      CloseLeftOver(w);
    });
    dialogs.Message(QStringLiteral("ページがありません"));
    EXPECT_TRUE(inspected);
  }
}

TEST(QtDialogsMessage, WrapsTextAtHalfTheScreenWidth) {
  QtDialogs dialogs(kTitle);
  const int half = QGuiApplication::primaryScreen()->geometry().width() / 2;
  struct Row {
    QString text;
    bool wraps;
  };
  const Row rows[] = {
      {QStringLiteral("ページがありません"), false},
      {QStringLiteral("OK"), false},
      {QString(60, QChar(u'あ')), true},
      {QStringLiteral("word ").repeated(80), true},
      {QStringLiteral("<b>not bold</b>"), false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text.toStdString());
    WhenModalShown([&](QWidget* w) {
      auto* label = w->findChild<QLabel*>(QStringLiteral("MessageText"));
      ASSERT_NE(label, nullptr);
      EXPECT_EQ(label->text(), row.text);
      EXPECT_EQ(label->textFormat(), Qt::PlainText);
      EXPECT_LE(label->width(), half);
      const int lineHeight = label->fontMetrics().lineSpacing();
      if (row.wraps) {
        EXPECT_GE(label->height(), 3 * lineHeight / 2);
        EXPECT_GE(label->width(), half * 3 / 4);  // wrapped at the limit, not far short of it
      } else {
        EXPECT_LT(label->height(), 3 * lineHeight / 2);
      }
      // The text is not cut: the label has room for every wrapped line.
      const QRect needed =
          label->fontMetrics().boundingRect(QRect(0, 0, label->width(), 1 << 20), Qt::TextWordWrap, row.text);
      EXPECT_GE(label->height(), needed.height());
      Press(w, Qt::Key_Return);
      CloseLeftOver(w);
    });
    dialogs.Message(row.text);
  }
}

class QtDialogsOpen : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    for (const char* name :
         {"a.lst", "B.LST", "c.Csv", "d.csv", "g.CSV", "ガイド.lst", "e.txt", "f.lst.bak", "lst", "h.cs", "i.lstx"}) {
      QFile file(dir_.filePath(QString::fromUtf8(name)));
      ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
  }

  // The names the dialog offers in its list once the folder is read.
  static QSet<QString> OfferedNames(QFileDialog* dialog) {
    auto* list = dialog->findChild<QListView*>(QStringLiteral("listView"));
    if (list == nullptr) {
      ADD_FAILURE() << "the dialog has no list view";
      return {};
    }
    QSet<QString> names;
    if (!QTest::qWaitFor([&] { return list->model()->rowCount(list->rootIndex()) > 0; }, 5000)) {
      ADD_FAILURE() << "the folder was never listed";
      return {};
    }
    // The folder is read in the background; wait until the count settles.
    int last = -1;
    while (last != list->model()->rowCount(list->rootIndex())) {
      last = list->model()->rowCount(list->rootIndex());
      QTest::qWait(100);
    }
    for (int i = 0; i < last; ++i) {
      const QModelIndex index = list->model()->index(i, 0, list->rootIndex());
      // A name the filter rejects is either hidden or shown disabled.
      if (list->model()->flags(index).testFlag(Qt::ItemIsEnabled)) names.insert(index.data().toString());
    }
    return names;
  }

  QTemporaryDir dir_;
};

TEST_F(QtDialogsOpen, FilterOffersGuideFilesWhateverTheirCase) {
  QtDialogs dialogs(kTitle);
  QByteArray path;
  bool inspected = false;
  WhenModalShown([&](QWidget* w) {
    inspected = true;
    auto* dialog = qobject_cast<QFileDialog*>(w);
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->testOption(QFileDialog::DontUseNativeDialog));
    EXPECT_EQ(dialog->nameFilters(), QStringList{QStringLiteral("Tavren用ファイル (*.lst *.csv)")});
    // What the user reads in the filter box is the description alone.
    auto* filterBox = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    ASSERT_NE(filterBox, nullptr);
    EXPECT_EQ(filterBox->currentText(), QStringLiteral("Tavren用ファイル"));
    dialog->setDirectory(dir_.path());
    const QSet<QString> expected{QStringLiteral("a.lst"), QStringLiteral("B.LST"), QStringLiteral("c.Csv"),
                                 QStringLiteral("d.csv"), QStringLiteral("g.CSV"), QStringLiteral("ガイド.lst")};
    EXPECT_EQ(OfferedNames(dialog), expected);
    Press(dialog, Qt::Key_Escape);
    CloseLeftOver(dialog);
  });
  EXPECT_FALSE(dialogs.OpenGuideFile(nullptr, path));
  EXPECT_TRUE(inspected);
}

TEST_F(QtDialogsOpen, ConfirmReturnsNativeBytesAndIsRemembered_CancelChangesNothing) {
  QtDialogs dialogs(kTitle);
  struct Row {
    const char* typed;  // typed into the name box; null: Esc
    bool confirmed;
    const char* remembered;  // the file the dialog opens on next time
  };
  const Row rows[] = {
      {nullptr, false, ""},  // before any choice
      {"B.LST", true, "B.LST"},
      {nullptr, false, "B.LST"},
      {"ガイド.lst", true, "ガイド.lst"},
      {"missing.lst", true, "missing.lst"},  // a name that does not exist is accepted
      {nullptr, false, "missing.lst"},
  };
  QByteArray path = "untouched";
  QString remembered;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.typed != nullptr ? row.typed : "Esc");
    WhenModalShown([&](QWidget* w) {
      auto* dialog = qobject_cast<QFileDialog*>(w);
      ASSERT_NE(dialog, nullptr);
      auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
      ASSERT_NE(name, nullptr);
      if (remembered.isEmpty()) {
        EXPECT_TRUE(name->text().isEmpty());
        dialog->setDirectory(dir_.path());
      } else {
        EXPECT_EQ(QDir(dialog->directory()).canonicalPath(), QDir(dir_.path()).canonicalPath());
        EXPECT_EQ(name->text(), QFileInfo(remembered).fileName());
      }
      if (row.typed != nullptr) {
        // The dialog drops its old selection only for keys typed with the
        // focus in the name box, so the window must be active.
        dialog->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(dialog));
        name->setFocus();
        EXPECT_TRUE(name->hasFocus());
        // Typed over whatever the box holds, key by key, as a user would.
        QTest::keyClick(name, Qt::Key_A, Qt::ControlModifier);
        Type(name, QString::fromUtf8(row.typed));
        QTest::keyClick(name, Qt::Key_Return);
      } else {
        Press(dialog, Qt::Key_Escape);
      }
      CloseLeftOver(dialog);
    });
    const QByteArray before = path;
    const bool confirmed = dialogs.OpenGuideFile(nullptr, path);
    EXPECT_EQ(confirmed, row.confirmed);
    if (row.confirmed) {
      remembered = QDir(dir_.path()).filePath(QString::fromUtf8(row.remembered));
      EXPECT_EQ(path, QFile::encodeName(remembered));
    } else {
      EXPECT_EQ(path, before);
    }
    EXPECT_EQ(dialogs.LastConfirmedPath(), remembered);
  }
}

TEST(QtDialogsAccessibility, EachDialogIsAnnouncedAsOneWithItsTitle) {
  InstallAccessibleRoles();
  QtDialogs dialogs(kTitle);
  QByteArray path;
  struct Row {
    const char* what;
    std::function<void()> open;
    // An error box is an alert: read out whole at once, as a dialog.
    QAccessible::Role role;
  };
  const Row rows[] = {
      {"error box", [&] { dialogs.ErrorBox(QStringLiteral("ファイルが見つかりません.")); }, QAccessible::AlertMessage},
      {"message", [&] { dialogs.Message(QStringLiteral("ページがありません")); }, QAccessible::Dialog},
      {"open", [&] { dialogs.OpenGuideFile(nullptr, path); }, QAccessible::Dialog},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    bool inspected = false;
    WhenModalShown([&](QWidget* w) {
      inspected = true;
      QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(w);
      ASSERT_NE(iface, nullptr);
      EXPECT_EQ(iface->role(), row.role);
      EXPECT_FALSE(w->windowTitle().isEmpty());
      EXPECT_EQ(iface->text(QAccessible::Name), w->windowTitle());
      Press(w, Qt::Key_Escape);
      CloseLeftOver(w);
    });
    row.open();
    EXPECT_TRUE(inspected);
  }
}

TEST(QtDialogsTranslations, JapaneseQtTextsAfterInstalling) {
  ASSERT_TRUE(InstallJapaneseTranslations(*QCoreApplication::instance()));
  struct Row {
    const char* context;
    const char* source;
    const char* japanese;
  };
  const Row rows[] = {
      {"QPlatformTheme", "Cancel", "キャンセル"},
      {"QPlatformTheme", "Open", "開く"},
      {"QFileDialog", "File &name:", "ファイル名(&N):"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(QCoreApplication::translate(row.context, row.source), QString::fromUtf8(row.japanese)) << row.source;
  }
}

}  // namespace
}  // namespace tavren
