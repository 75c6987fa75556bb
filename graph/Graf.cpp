#include "graph/Graf.h"

#include "diag/diag.h"
#include "graph/pixelarrays.h"

void Graf::init(int w, int h, int count)
{
    width = w;
    height = h;
    pixelCount = count;
    sourceNode = count + 1;
    sinkNode = -10;
    // Construction writes the capacities next. The flows stay zero under the
    // augmenting-path method, which reads and writes only capacities; untouched, their pages
    // are not resident.
    for (const auto array : {&Graf::sourceCap, &Graf::sinkCap, &Graf::vertCap, &Graf::horizCap})
        assignZeroPixelArray(this->*array, std::size_t(count), true);
    for (const auto array : {&Graf::sourceFlow, &Graf::sinkFlow, &Graf::vertFlow, &Graf::horizFlow})
        assignZeroPixelArray(this->*array, std::size_t(count), false);
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
