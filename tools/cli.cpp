#include "tools/cli.h"

#include "diag/diagblocks.h"
#include "diag/platform.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <cstdio>

namespace cli {

namespace {

diag::BlockSink *lineBlocks = nullptr;
QtMessageHandler toolkitMessages = nullptr;

// The toolkit's own warnings (a decoder's, for one) go to standard error too.
void flushBeforeMessage(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (lineBlocks)
        lineBlocks->flush();
    toolkitMessages(type, context, text);
}

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
    if (blocks && !lineBlocks)
        toolkitMessages = qInstallMessageHandler(flushBeforeMessage);
    else if (!blocks && lineBlocks)
        qInstallMessageHandler(toolkitMessages);
    lineBlocks = blocks;
}

} // namespace cli
