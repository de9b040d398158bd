#pragma once

#include <QString>

#include <optional>

// Where the reader stopped in each document opened from a file, so that
// opening it again goes on from there. A file is known by its canonical path
// and its size, not its content: reading a book of megabytes again to know
// it would cost more than the place is worth, and a file whose size changed
// is another text, which opens at its start. The last documents only, in
// the settings; main thread only.
namespace ReadingPlaces {

struct Place
{
    // The start of the last word spoken, or the cursor's place.
    qint64 position = 0;
    // The editor's vertical scroll bar.
    int scroll = 0;
};

// A file as it was when it was read: a place found later belongs to that
// text, even when the file has changed since.
struct File
{
    QString path; // canonical; empty for a file that is gone
    qint64 size = -1;
};

inline constexpr int remembered = 200;

File identify(const QString &path);
// The place kept for `file`; none for a file unknown, or one whose size
// changed, whose place is forgotten.
std::optional<Place> find(const File &file);
// Keeps `place` for `file` as the most recent one.
void remember(const File &file, Place place);

} // namespace ReadingPlaces
