#pragma once

#include <QByteArrayView>
#include <QString>

#include <optional>

namespace Documents {

// The text of a plain text file in whatever encoding it was saved: UTF-8
// with or without a byte order mark, UTF-16 with one, or else the legacy
// 8-bit encoding its bytes look like. No text for bytes that are not text
// in any of them: NUL characters, undecodable bytes, control characters
// that no text holds.
std::optional<QString> decodeText(QByteArrayView bytes);

} // namespace Documents
