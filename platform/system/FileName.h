#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// File names are bytes on Linux, and need not be UTF-8. These turn any name
// into a QString and back into the very same bytes: a byte that is not part
// of valid UTF-8 stands for itself as one of 128 code points at the very end
// of Unicode's last private-use plane, which survive QUrl, JSON and every
// QString operation. QFile::decodeName would replace such a byte with U+FFFD,
// and the name would then reach a different file, or none.
namespace FileName {

QString decode(QByteArrayView bytes);
QByteArray encode(QStringView name);

} // namespace FileName
