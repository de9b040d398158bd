#pragma once

#include <QByteArrayView>
#include <QString>

#include <functional>
#include <optional>

namespace Documents {

// The text of a plain text file in whatever encoding it was saved: UTF-8
// with or without a byte order mark, UTF-16 with one, or else the legacy
// 8-bit encoding its bytes look like. No text for bytes that are not text
// in any of them: NUL characters, undecodable bytes, control characters
// that no text holds.
std::optional<QString> decodeText(QByteArrayView bytes);

enum class Decoding { Text, NotText, Stopped };

// As decodeText(), but the text goes to `piece` a part at a time as it is
// decoded, so that it is never held whole; `piece` returns false to stop.
// After NotText the parts handed over are no text.
Decoding decodeText(QByteArrayView bytes, const std::function<bool(QStringView)> &piece);

} // namespace Documents
