#pragma once

class QString;

namespace diag {
class BlockSink;
}

// What every part of the command line shares: its name, its exit codes, its messages.
namespace cli {

constexpr const char *Program = "segmentacia-cli";

constexpr int Done = 0;
constexpr int Refused = 1;   // the segmentation itself was refused
constexpr int BadInput = 2;  // bad command line or seeds
constexpr int FileError = 3; // a file could not be read or written

// A message on standard error, after every diagnostic line written so far.
void complain(const QString &text);

// The blocks that hold back diagnostic lines, flushed before any message (the toolkit's
// own warnings too); nullptr when the lines go elsewhere.
void setLineBlocks(diag::BlockSink *blocks);

} // namespace cli
