#pragma once
// The start-up notice window TForm2: the logo, the copyright line, the stored
// picture and a message text fetched from the maker's site. It has no
// commands; it is built, fetches once, shows itself and stays until the
// program ends.

#include "net/Connection.h"
#include "net/HttpFetcher.h"
#include "ui/Dialogs.h"

#include <QFrame>
#include <QWidget>

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

class QLabel;
class QPlainTextEdit;

namespace Ui {
class TForm2;
}

namespace tavren {

class PictureBox;

// The notice text with its line breaks made uniform: CR LF stays, a lone LF
// and a lone CR each become CR LF (so LF CR gives two breaks). The input is
// walked character by character in CP932, so the bytes of a two-byte
// character are copied untouched. Never throws except std::bad_alloc.
std::string NormaliseLineBreaks(std::string_view cp932Text);

// Largest text, in CP932 bytes after line-break normalisation, that the memo
// takes: 64 KiB, the classic capacity of a multi-line edit control. The memo
// lays out everything it holds at once, on the GUI thread, and a megabyte of
// unbroken text there freezes the window for minutes.
inline constexpr std::size_t kMemoLimit = std::size_t{64} << 10;

// The window's panel: olive, filling the window, with a 3-pixel lowered soft
// bevel painted just inside its edge.
class BevelPanel : public QFrame {
 public:
  explicit BevelPanel(QWidget* parent = nullptr);
  static constexpr int kBevelWidth = 3;

 protected:
  void paintEvent(QPaintEvent* event) override;
};

class TForm2 : public QWidget {
  Q_OBJECT

 public:
  // Builds the window from its layout, runs FormCreate (fetching
  // siteRoot + "cm/kelm/kelmmsg.txt" with the window's own fetcher, built
  // with `limits`, connecting through `connector` or, when that is null,
  // over POSIX sockets), then shows the window centred on the screen and
  // activates it. A failure of FormCreate goes to `dialogs`' error box and
  // the window is still shown. `owner` only parents the window (it stays a
  // top-level window); null makes it an ownerless window. Never throws
  // except std::bad_alloc while building the layout.
  TForm2(Dialogs& dialogs, std::string siteRoot, FetcherLimits limits = {},
         std::unique_ptr<Connector> connector = nullptr, QWidget* owner = nullptr);
  ~TForm2() override;

  TForm2(const TForm2&) = delete;
  TForm2& operator=(const TForm2&) = delete;

  // The controls, by their layout names.
  BevelPanel& Panel1() const;
  QLabel& Label1() const;
  QLabel& Label2() const;
  PictureBox& Image1() const;
  QPlainTextEdit& Memo1() const;

  // The memo's whole text as Windows would hand it out: paragraphs joined by
  // CR LF, UTF-16.
  QString MemoText() const;

  // Replaces the memo's text with `cp932Text` (line breaks already
  // normalised). Throws EFailure "文字列の大きさがメモの制限を越えました" when
  // the text is longer than kMemoLimit bytes; the memo then stays as it was.
  // Sets nothing when the text equals the memo's current text.
  void SetMemoText(std::string_view cp932Text);

 private:
  // Fetches the notice text and puts it into the memo. Throws the fetcher's
  // failures and the memo's limit failure.
  void FormCreate();

  std::unique_ptr<Ui::TForm2> ui_;
  Dialogs& dialogs_;
  std::string siteRoot_;
  HttpFetcher IdHTTP1_;
};

}  // namespace tavren
