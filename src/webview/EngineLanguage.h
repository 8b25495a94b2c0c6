#pragma once
// The engine's own texts (network error pages, form-validation bubbles, the
// PDF viewer) come from the language pack of the language it starts in,
// which it otherwise takes from the process locale: under LANG=C it would
// speak English inside a program that speaks only Japanese.

#include <QByteArray>

namespace tavren {

// `chromiumFlags` (QTWEBENGINE_CHROMIUM_FLAGS' value) with "--lang=ja"
// added, unless it names a language already (a user's own choice stays).
QByteArray WithJapaneseEngine(const QByteArray& chromiumFlags);

// Sets QTWEBENGINE_CHROMIUM_FLAGS to WithJapaneseEngine of its value. Call
// before the first engine profile is made (the engine reads it then, as it
// starts; BrowserProfile does); the language holds for the engine's whole
// life, its page processes included.
void StartEngineInJapanese();

}  // namespace tavren
