#pragma once
// Texts read from the disc (folder names, description lines, "banner.txt")
// are Windows-1252 unless they are valid UTF-8. Every byte string that goes
// on screen passes through DecodeDiscText.

#include <QString>
#include <string>
#include <string_view>

namespace zolt {

// Windows-1252 to Unicode; the five undefined bytes map to the C1 controls.
QString DecodeCp1252(std::string_view bytes);

// UTF-8 when valid, else Windows-1252.
QString DecodeDiscText(std::string_view bytes);

// A byte path (as the file system returns it) for Qt's file classes.
// Valid UTF-8 paths convert losslessly; others go through QFile::decodeName.
QString PathToQString(const std::string& path);

// The reverse of PathToQString for paths that came from Qt (dialogs, edits).
std::string QStringToPath(const QString& path);

}  // namespace zolt
