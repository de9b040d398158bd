#pragma once

#include <QString>

// A file named on the command line, by another launch or by the desktop: a
// path, or a URL, as the desktop's recent files and file managers give them.
namespace FileArgument {

// True for an argument written as a URL ("file:///notes.txt",
// "sftp://host/notes.txt") rather than as a file name.
bool isUrl(const QString &argument);

struct Target
{
    QString path;  // the file to open, as exact bytes (see FileName)
    QString error; // why there is none, for the person at the window
};

// The file an argument names: a file name as it is, a local file URL as its
// path; any other URL names no file that can be read here.
Target resolve(const QString &argument);

} // namespace FileArgument
