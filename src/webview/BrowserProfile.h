#pragma once
// The browser session every web view of the program shares: the engine
// profile (cookies, site logins, local storage, cache), what the user
// allowed sites to do this run, the pop-up windows pages opened and the
// downloads under way.

#include "webview/AddressRule.h"
#include "webview/GuideLinks.h"

#include <QList>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QUrl>
#include <QWebEnginePage>

#include <map>
#include <memory>
#include <utility>

class QWebEngineDownloadRequest;
class QWebEngineNewWindowRequest;
class QWebEngineProfile;
class QWidget;

namespace tavren {

class BrowserDialogs;

// Where a kept session lives on disk. Both empty: a session kept in memory
// only, gone with the profile.
struct ProfileFolders {
  QString storage;
  QString cache;
};

// The user's own folders: "tavren/web" under the XDG data folder and under
// the XDG cache folder (QStandardPaths' generic locations, so that the
// program file's name does not matter).
ProfileFolders StandardProfileFolders();

// The Accept-Language every request carries.
inline constexpr char16_t kAcceptLanguage[] = u"ja,en;q=0.8";

// `engineAgent` without the engine's own product token ("QtWebEngine/6.4.2"),
// which some sites refuse; the rest is left as it was.
QString BrowserUserAgent(const QString& engineAgent);

class BrowserProfile {
 public:
  // `dialogs` must outlive the profile. With both folders set the session
  // is kept there (cookies of every kind included); otherwise it is kept in
  // memory only. Cheap: the engine starts with the first call of Engine().
  BrowserProfile(BrowserDialogs& dialogs, const ProfileFolders& folders);
  // Closes the pop-up and download windows, then destroys the engine
  // profile, which writes what it keeps to disk. Every page on the profile
  // outside those windows must be gone already.
  ~BrowserProfile();

  BrowserProfile(const BrowserProfile&) = delete;
  BrowserProfile& operator=(const BrowserProfile&) = delete;

  // The engine profile, made (and the engine started) on the first call.
  // Needs the QApplication.
  QWebEngineProfile* Engine();
  BrowserDialogs& Dialogs() const { return dialogs_; }
  // Guide files that pages link to; they download as any file until an
  // opener is set.
  GuideLinks& Guides() { return guides_; }

  // Answers `opener`'s request for a new window. A request with no user
  // action behind it is refused first, unless AllowPopups() named the
  // opener's site: false then, and nothing opens. Otherwise the address
  // goes where OpenerOf() says: to the desktop, nowhere, or into a pop-up
  // window of its own on this profile, titled by its page, sized by the
  // request's geometry when it gives one (else 800 x 600, centred over the
  // opener's window), closed by the page's window.close(). True then.
  bool OpenWindow(QWebEngineNewWindowRequest& request, QWebEnginePage& opener);
  // Lets the site of `page` (its host, or its scheme when it has none)
  // open windows without a user action for the profile's lifetime.
  void AllowPopups(const QUrl& page);

  // Asks the user whether `origin` may use `feature`, once per site and
  // kind, and returns the answer (default no), kept for the profile's
  // lifetime.
  bool AskPermission(QWidget* parent, const QUrl& origin, QWebEnginePage::Feature feature);

  // The pop-up and download windows open now, oldest first.
  QList<QWidget*> PopupWindows() const;
  QList<QWidget*> DownloadWindows() const;

 private:
  void StartDownload(QWebEngineDownloadRequest* download);

  BrowserDialogs& dialogs_;
  ProfileFolders folders_;
  GuideLinks guides_{dialogs_};
  QWebEngineProfile* engine_ = nullptr;
  std::map<std::pair<QString, int>, bool> permissions_;
  QSet<QString> popupSites_;
  QList<QPointer<QWidget>> popups_;
  QList<QPointer<QWidget>> downloads_;
};

}  // namespace tavren
