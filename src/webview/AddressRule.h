#pragma once
// The one rule for where an address goes: into the view, to the desktop's
// program for its scheme, or nowhere. Every path that could hand an address
// to the desktop (a guide address, a window a page asks for, the context
// menu) asks here, so that nothing but a user action ever starts a desktop
// program. Navigations a page starts inside itself are the engine's own
// business: it hands another scheme to the desktop only after a user action
// in the page (AllowUnknownUrlSchemesFromUserInteraction).

#include <QString>

class QUrl;

namespace tavren {

// Who asked for an address.
enum class Asker {
  // A page's script with no user action (a timer, onload, a redirect).
  kScript,
  // The user: a click or key in a page, "open in new window", or a guide
  // address the user picked.
  kUser,
  // The user's "既定のブラウザで開く": a web page for the desktop's browser.
  kUserForDesktopBrowser,
};

enum class Opener { kView, kDesktop, kNowhere };

// True when the view itself shows addresses of `scheme` (lower case): web
// pages, local files, data and the engine's own pages. Any other scheme
// (mailto:, tel:, ...) belongs to the desktop; javascript: is neither.
bool ShownInView(const QString& scheme);

// Where `address` goes when `asker` asks for it. An address without a
// scheme stays with the view (which shows about:blank for what it cannot
// load); javascript: never leaves a page; any other scheme the view does not
// show goes to the desktop for the user and nowhere for a script. For
// kUserForDesktopBrowser only http, https and file go to the desktop.
Opener OpenerOf(const QUrl& address, Asker asker);

// Hands `address` to the desktop's program when OpenerOf says kDesktop;
// true when it did.
bool OpenOnDesktop(const QUrl& address, Asker asker);

}  // namespace tavren
