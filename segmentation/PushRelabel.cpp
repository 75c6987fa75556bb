#include "segmentation/PushRelabelDetail.h"

#include "graph/Graf.h"
#include "graph/PixelGrid.h"
#include "diag/diag.h"
#include "graph/pixelarrays.h"
#include "segmentation/SolverHost.h"

#include <algorithm>
#include <climits>

// The graph's operations find a neighbour by dividing the index by the width on every
// call. Here a dequeued pixel's coordinates are worked out once, its n-links are read
// straight from the graph's arrays, and the queue is a ring over one allocation. Every
// value, line and host call is the same as through the graph's operations.
//
// On the photographs most pixels are discharged once or twice, so what a run pays besides
// its pushes matters as much: the working arrays are fresh zero memory, never written up
// front and resident only where touched (a first touch of a 4 KiB page costs about 10 us
// on a virtual machine), a pixel's height and excess share a cache line, and the passes
// that could only raise a height are taken at once.

namespace {

// Excess is int or long long; see runWithTrace for which one a run gets.
template <typename Excess>
struct Node {
    int height;
    Excess excess;
};

template <typename Excess>
class PushRelabel {
public:
    PushRelabel(Graf &graf, QVector<bool> &objectMask, bool preflowWritesMost)
        : m_n(graf.getPixelCount()),
          m_geo{graf.width, graf.width * graf.height},
          // N / 4 is 0 below four pixels; a pixel that can push nothing would then be
          // discharged for ever. From four pixels on this is exactly N / 4.
          m_raise(std::max(1, m_n / 4)),
          m_nodes(std::size_t(m_n)),
          m_queue(std::size_t(m_n))
    {
        assignPixelArray(objectMask, m_n, false);
        m_mark = objectMask.data();
        // The flows are zero pages as construction leaves them. When the preflow writes
        // the t-link flows of most pixels, the pushes that follow reach the n-link flows
        // of nearly every page too (one page holds a row's on a 1024-pixel-wide image).
        if (preflowWritesMost)
            for (const auto flows : {&Graf::sourceFlow, &Graf::sinkFlow, &Graf::vertFlow,
                                     &Graf::horizFlow})
                populateForWriting((graf.*flows).data(), (graf.*flows).size() * sizeof(int));
        m_sourceCap = graf.sourceCap.data();
        m_sinkCap = graf.sinkCap.data();
        m_sourceFlow = graf.sourceFlow.data();
        m_sinkFlow = graf.sinkFlow.data();
        m_vertCap = graf.vertCap.data();
        m_horizCap = graf.horizCap.data();
        m_vertFlow = graf.vertFlow.data();
        m_horizFlow = graf.horizFlow.data();
    }

    // The sum of the excesses it leaves, in 64 bits.
    long long preflow();
    void discharge(int u);

    int queueLength() const { return m_count; }
    int dequeue()
    {
        const int u = m_queue[std::size_t(m_head)];
        if (++m_head == m_n)
            m_head = 0;
        --m_count;
        return u;
    }
    void unmark(int u) { m_mark[u] = false; }

    void copyOut(PushRelabelTrace &trace) const
    {
        trace.heights.resize(std::size_t(m_n));
        trace.excess.resize(std::size_t(m_n));
        for (std::size_t i = 0; i < std::size_t(m_n); ++i) {
            trace.heights[i] = m_nodes[i].height;
            trace.excess[i] = int(std::clamp<long long>(m_nodes[i].excess, INT_MIN, INT_MAX));
        }
    }

private:
    // A pixel is in the queue at most once (its mark), so N slots always suffice.
    void enqueue(int v, int heightOfV)
    {
        if (!m_mark[v] && heightOfV < m_n) {
            int tail = m_head + m_count;
            if (tail >= m_n)
                tail -= m_n;
            m_queue[std::size_t(tail)] = v;
            ++m_count;
            m_mark[v] = true;
        }
    }

    const int m_n;
    const grid::Geometry m_geo;
    const int m_raise;
    ZeroedPixelArray<Node<Excess>> m_nodes;
    ZeroedPixelArray<int> m_queue;
    int m_head = 0;
    int m_count = 0;
    bool *m_mark; // objectMask: true while a pixel is queued or being discharged

    const int *m_sourceCap;
    const int *m_sinkCap;
    int *m_sourceFlow;
    int *m_sinkFlow;
    const int *m_vertCap;
    const int *m_horizCap;
    int *m_vertFlow;
    int *m_horizFlow;
};

// No amount written to a t-link exceeds its capacity, so the graph's check of that is left
// out here.
template <typename Excess>
long long PushRelabel<Excess>::preflow()
{
    long long total = 0;
    for (int i = 0; i < m_n; ++i) {
        const int s = m_sourceCap[i];
        const int t = m_sinkCap[i];
        if (s < 1 || t < 1)
            continue;
        // Which of the two is smaller follows the photograph, so no branch: a pixel that
        // is not queued gets an excess of 0 and a mark of false, as it has, and the queue
        // slot written for it is the next one's.
        const bool queued = t < s;
        Node<Excess> &node = m_nodes[std::size_t(i)];
        node.height = 1;
        const int excess = queued ? s - t : 0; // below 2147483647, as t >= 1
        node.excess = Excess(excess);
        total += excess;
        m_sourceFlow[i] = s;
        m_sinkFlow[i] = queued ? t : s;
        m_queue[std::size_t(m_count)] = i;
        m_count += queued;
        m_mark[i] = queued;
    }
    return total;
}

template <typename Excess>
void PushRelabel<Excess>::discharge(int u)
{
    // The n-links of u that exist, in the order up, right, down, left, with the
    // neighbour across each and its height: no other pixel is discharged meanwhile, so
    // the neighbours' heights stay as they are.
    struct Link {
        int v;
        int heightOfV;
        const int *cap;
        int *flow;
    };
    Link links[4];
    int count = 0;
    const int x = u % m_geo.width;
    const auto add = [&](int dir, int v) {
        const int at = m_geo.holder(u, dir);
        const bool vertical = grid::isVertical(dir);
        links[count++] = {v, m_nodes[std::size_t(v)].height, (vertical ? m_vertCap : m_horizCap) + at,
                          (vertical ? m_vertFlow : m_horizFlow) + at};
    };
    if (x > 0 && x + 1 < m_geo.width && u >= m_geo.width && u < m_geo.count - m_geo.width) {
        // Inside the image, the common case: all four.
        for (int dir = 0; dir < 4; ++dir)
            add(dir, m_geo.step(u, dir));
    } else {
        for (int dir = 0; dir < 4; ++dir) {
            const int v = m_geo.neighbour(u, x, dir);
            if (v >= 0)
                add(dir, v);
        }
    }
    // Of those, the ones with room, in the same order. A push only takes room away, so a
    // link leaves this list when a push fills it; only taking flow back gives room again.
    Link *open[4];
    int opened = 0;
    const auto findOpen = [&] {
        opened = 0;
        for (int k = 0; k < count; ++k)
            if (*links[k].cap - *links[k].flow > 0)
                open[opened++] = &links[k];
    };
    findOpen();

    Node<Excess> &node = m_nodes[std::size_t(u)];
    Excess ex = node.excess;
    int hu = node.height;
    // Only this discharge moves u's sink flow.
    int sinkRoom = m_sinkCap[u] - m_sinkFlow[u];
    while (ex > 0) {
        bool pushed = false;

        if (sinkRoom > 0) {
            const int d = int(std::min<Excess>(sinkRoom, ex));
            m_sinkFlow[u] += d;
            sinkRoom -= d;
            ex -= d;
            pushed = true;
        }

        // Every link is tried even once the excess is gone: a push of 0 still queues
        // the neighbour and still counts as a push. The lowest neighbour that has room
        // but is not below u bounds the passes that would push nothing.
        int lowestAbove = INT_MAX;
        int kept = 0;
        for (int k = 0; k < opened; ++k) {
            Link &l = *open[k];
            if (hu > l.heightOfV) {
                const int residual = *l.cap - *l.flow;
                const int d = int(std::min<Excess>(residual, ex));
                *l.flow += d;
                ex -= d;
                m_nodes[std::size_t(l.v)].excess += d;
                enqueue(l.v, l.heightOfV);
                pushed = true;
                if (d == residual)
                    continue; // filled
            } else {
                lowestAbove = std::min(lowestAbove, l.heightOfV);
            }
            open[kept++] = &l;
        }
        opened = kept;

        if (hu > m_n) {
            const int sf = m_sourceFlow[u];
            if (sf > 0) {
                const int d = int(std::min<Excess>(sf, ex));
                m_sourceFlow[u] = sf - d;
                ex -= d;
                continue; // no relabel after giving back
            }
            diag::line("nemam s tok");
            // The link's one counter may have been raised by pushes from either side.
            for (int k = 0; k < count; ++k) {
                Link &l = links[k];
                if (*l.cap > 0 && hu > l.heightOfV) {
                    const int d = int(std::min<Excess>(*l.flow, ex));
                    *l.flow -= d;
                    ex -= d;
                    m_nodes[std::size_t(l.v)].excess += d;
                    enqueue(l.v, l.heightOfV);
                    pushed = true;
                }
            }
            findOpen();
        }

        if (!pushed) {
            hu += m_raise;
            // Nothing changes in a pass that pushes nothing but the height, so the passes
            // after it push nothing either, and write nothing, while the height stays at
            // most N and at most every neighbour with room: their relabels at once.
            const int limit = std::min(m_n, lowestAbove);
            if (hu <= limit)
                hu += m_raise * ((limit - hu) / m_raise + 1);
        }
    }
    node.excess = ex;
    node.height = hu;
}

// From the preflow on, for a run whose preflow is done.
template <typename Excess>
PushRelabelRun finish(PushRelabel<Excess> &pr, Graf &graf, QVector<int> &objectPixels,
                      QVector<bool> &objectMask, SolverHost &host, PushRelabelTrace *trace)
{
    PushRelabelRun result;
    const int n = graf.getPixelCount();
    diag::line("DOKONCENIE HRAN O DLZKE 2");
    objectPixels.clear();

    const int l0 = pr.queueLength();
    host.begin(l0);
    while (pr.queueLength() > 0) {
        host.processEvents();
        if (host.wasCanceled()) {
            result.canceled = true;
            break;
        }
        const int u = pr.dequeue();
        ++result.dequeues;
        const int l = pr.queueLength();
        {
            // A named Line, not Line(): value-initialising it would zero its whole buffer
            // for every dequeued pixel.
            diag::Line line;
            line << "BEz. " << u << " a pocet " << l;
        }
        host.setValue(l0 - l);
        pr.discharge(u);
        pr.unmark(u);
    }

    diag::line("hladanie rezu");
    // Clearing every mark and then setting the object's, in one pass.
    const int *sourceCap = graf.sourceCap.data();
    const int *sourceFlow = graf.sourceFlow.data();
    bool *mask = objectMask.data();
    int objects = 0;
    for (int i = 0; i < n; ++i) {
        mask[i] = sourceCap[i] - sourceFlow[i] > 0;
        objects += mask[i];
    }
    assignPixelArray(objectPixels, objects, 0);
    int *out = objectPixels.data();
    for (int i = 0; i < n; ++i)
        if (mask[i])
            *out++ = i;

    if (trace)
        pr.copyOut(*trace);
    return result;
}

// Whether the preflow will write the t-link flows of most pixels (both links at least 1),
// from a sample.
bool preflowWritesMost(const Graf &graf)
{
    const int n = graf.getPixelCount();
    int sampled = 0;
    int linked = 0;
    for (int i = 0; i < n; i += 61, ++sampled)
        linked += graf.sourceCap[std::size_t(i)] >= 1 && graf.sinkCap[std::size_t(i)] >= 1;
    return linked > sampled / 2;
}

PushRelabelRun runWithTrace(Graf &graf, QVector<int> &objectPixels, QVector<bool> &objectMask,
                            SolverHost &host, PushRelabelTrace *trace)
{
    const bool populate = preflowWritesMost(graf);
    // Excess in 32 bits, half the memory traffic, when they hold every excess of the run.
    // From flows at 0 no n-link counter goes below 0 (a push adds at most the room left, a
    // take-back at most the counter), so every move takes at most what a pixel holds and
    // no excess goes below 0; their sum starts at the preflow's total and never grows. So
    // while that total fits, each excess does. Flow from several t-links near 2147483647
    // can meet in one pixel; then the preflow, which only sets values, is made again with
    // 64 bits.
    {
        PushRelabel<int> narrow(graf, objectMask, populate);
        if (narrow.preflow() <= INT_MAX)
            return finish(narrow, graf, objectPixels, objectMask, host, trace);
    }
    PushRelabel<long long> wide(graf, objectMask, false);
    wide.preflow();
    return finish(wide, graf, objectPixels, objectMask, host, trace);
}

} // namespace

PushRelabelRun segmentPushRelabel(Graf &graf, QVector<int> &objectPixels,
                                  QVector<bool> &objectMask, SolverHost &host)
{
    return runWithTrace(graf, objectPixels, objectMask, host, nullptr);
}

PushRelabelRun segmentPushRelabel(Graf &graf, QVector<int> &objectPixels,
                                  QVector<bool> &objectMask, SolverHost &host,
                                  PushRelabelTrace &trace)
{
    return runWithTrace(graf, objectPixels, objectMask, host, &trace);
}
