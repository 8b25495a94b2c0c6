#pragma once
// Guide files for the main window's tests, written as the maker writes them:
// CP932 with CR LF line ends, from text kept in UTF-8 in the test.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>

#include <string>

#include "base/CodePage.h"

namespace tavren::test {

inline QString Qs(const char* utf8) { return QString::fromUtf8(utf8); }

// Writes `utf8Lines` as a CP932 guide file (CR LF line ends) into `dir` and
// returns its path as bytes.
inline QByteArray WriteGuide(const QDir& dir, const QString& name, const QStringList& utf8Lines) {
  const QString path = dir.filePath(name);
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return {};
  for (const QString& line : utf8Lines) {
    const std::string bytes = cp932::FromUtf8(line.toStdString()) + "\r\n";
    file.write(bytes.data(), static_cast<qint64>(bytes.size()));
  }
  return QFile::encodeName(path);
}

}  // namespace tavren::test
