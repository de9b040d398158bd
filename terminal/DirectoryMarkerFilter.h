#pragma once

#include <QString>

// Takes the working-directory marker out of a background run's standard
// output as it streams in. The command line ends with
//   && echo ":::::$PWD:::::"
// so the marker is the last thing the stream holds: ":::::", an absolute
// directory, ":::::" and a line feed, possibly after an unfinished line of the
// program's own. Only that final marker is removed; a line of the program's
// that looks the same but is followed by more output is kept whole.
//
// Text that could still turn out to be the final marker is held back until
// the stream shows what it is, so a marker split across reads never reaches
// the caller. Only a line that holds ":::::/" is ever held, and only from
// there on.
class DirectoryMarkerFilter
{
public:
    // The part of what has arrived so far that is certainly not the marker.
    // atEnd flushes the rest, without the final marker when there is one.
    QString filter(const QString &text, bool atEnd = false);

private:
    QString m_held;
};
