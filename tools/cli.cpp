#include "tools/cli.h"

#include "diag/diagblocks.h"
#include "diag/platform.h"

#include <QByteArray>
#include <QString>

#include <cstdio>

namespace cli {

namespace {

diag::BlockSink *lineBlocks = nullptr;

} // namespace

void complain(const QString &text)
{
    // The lines written so far come first, as they would line by line.
    if (lineBlocks)
        lineBlocks->flush();
    const QByteArray bytes = diag::platform::userText(text);
    std::fprintf(stderr, "%s: %s\n", Program, bytes.constData());
}

void setLineBlocks(diag::BlockSink *blocks)
{
    diag::BlockSink::flushBeforeToolkitMessages(blocks);
    lineBlocks = blocks;
}

} // namespace cli
