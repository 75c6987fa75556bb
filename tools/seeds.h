#pragma once

#include "image/scribble.h"

#include <QByteArray>
#include <QPoint>
#include <QString>

#include <vector>

// What the command line reads from its user besides the image: seed points, seed files
// and lambda, checked strictly, with messages that quote bad input safely.
namespace cli {

using Seed = scribble::Seed;

// "object seed (2,0)"
QString describe(const Seed &seed);

// Exactly "X,Y": two decimal integers that fit an int, each with an optional leading '-'
// and nothing else (no spaces, no '+', no hex; "010" is ten).
bool parsePoint(const QString &text, QPoint *point);

// A decimal number (no hex, no inf or nan) rounded to two decimals like the window's spin
// box; accepted when the rounded value lies in 0..999.99, so 999.994 and 1e-400 pass.
bool parseLambda(const QString &text, double *lambda);

// Up to maxChars characters of `bytes` for a message: printable text as it is, control
// and undecodable bytes as \xNN, and "..." when something was left off.
QString excerpt(const QByteArray &bytes, int maxChars = 60);

enum class SeedFileStatus { Ok, CannotRead, BadLine };

// Appends the seeds of a seed file: one a line, "object X,Y" or "background X,Y" ("o",
// "b"; "X Y" works too), blank lines and text after '#' ignored, any line end (LF, CRLF,
// CR). On failure `message` says where and why: "FILE:LINE: ..." for a bad line.
SeedFileStatus readSeedFile(const QString &path, std::vector<Seed> &seeds, QString *message);

// The window's seed rules: no point twice in a list and none in both. Returns the index
// of the first seed that repeats an earlier point, with the message, or -1.
int findRepeatedSeed(const std::vector<Seed> &seeds, QString *message);

// True when both names lead to the same file, existing or still to be written: spelt
// differently, through symbolic links (dangling ones too) or as hard links of one file.
bool isSameFile(const QString &a, const QString &b);

} // namespace cli
