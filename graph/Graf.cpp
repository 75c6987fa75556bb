#include "graph/Graf.h"

#include "graph/diag.h"
#include "graph/pixelarrays.h"

void Graf::init(int w, int h, int count)
{
    width = w;
    height = h;
    pixelCount = count;
    sourceNode = count + 1;
    sinkNode = -10;
    for (const auto array : grafArrays)
        assignPixelArray(this->*array, std::size_t(count), 0);
}

void Graf::reset()
{
    for (const auto array : grafArrays)
        (this->*array).clear();
    width = 0;
    height = 0;
    pixelCount = 0;
}

void Graf::failLine(const char *text)
{
    diag::line(text);
}
