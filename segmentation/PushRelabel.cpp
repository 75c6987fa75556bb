#include "segmentation/PushRelabelDetail.h"

#include "graph/Graf.h"
#include "graph/PixelGrid.h"
#include "graph/diag.h"
#include "graph/pixelarrays.h"
#include "segmentation/SolverHost.h"

#include <algorithm>
#include <climits>

// The graph's operations find a neighbour by dividing the index by the width on every
// call. Here a dequeued pixel's coordinates are worked out once, its n-links are read
// straight from the graph's arrays, and the queue is a ring over one allocation. Every
// value, line and host call is the same as through the graph's operations.

namespace {

// Excess is int or long long; see segmentPushRelabel for which one a run gets.
template <typename Excess>
class PushRelabel {
public:
    PushRelabel(Graf &graf, QVector<bool> &objectMask)
        : m_graf(graf),
          m_n(graf.getPixelCount()),
          m_geo{graf.width, graf.width * graf.height},
          // N / 4 is 0 below four pixels; a pixel that can push nothing would then be
          // discharged for ever. From four pixels on this is exactly N / 4.
          m_raise(std::max(1, m_n / 4))
    {
        assignPixelArray(m_excess, std::size_t(m_n), Excess(0));
        assignPixelArray(m_heights, std::size_t(m_n), 0);
        assignPixelArray(m_queue, std::size_t(m_n), 0);
        assignPixelArray(objectMask, m_n, false);
        m_mark = objectMask.data();
        m_sourceCap = graf.sourceCap.data();
        m_sinkCap = graf.sinkCap.data();
        m_sourceFlow = graf.sourceFlow.data();
        m_sinkFlow = graf.sinkFlow.data();
        m_vertCap = graf.vertCap.data();
        m_horizCap = graf.horizCap.data();
        m_vertFlow = graf.vertFlow.data();
        m_horizFlow = graf.horizFlow.data();
    }

    void preflow();
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

    std::vector<int> &heights() { return m_heights; }
    const std::vector<Excess> &excess() const { return m_excess; }

private:
    // A pixel is in the queue at most once (its mark), so N slots always suffice.
    void enqueue(int v)
    {
        if (!m_mark[v] && m_heights[std::size_t(v)] < m_n) {
            int tail = m_head + m_count;
            if (tail >= m_n)
                tail -= m_n;
            m_queue[std::size_t(tail)] = v;
            ++m_count;
            m_mark[v] = true;
        }
    }

    Graf &m_graf;
    const int m_n;
    const grid::Geometry m_geo;
    const int m_raise;
    std::vector<Excess> m_excess;
    std::vector<int> m_heights;
    std::vector<int> m_queue;
    int m_head = 0;
    int m_count = 0;
    bool *m_mark; // objectMask: true while a pixel is queued or being discharged

    const int *m_sourceCap;
    const int *m_sinkCap;
    const int *m_sourceFlow;
    const int *m_sinkFlow;
    const int *m_vertCap;
    const int *m_horizCap;
    int *m_vertFlow;
    int *m_horizFlow;
};

template <typename Excess>
void PushRelabel<Excess>::preflow()
{
    for (int i = 0; i < m_n; ++i) {
        const int s = m_sourceCap[i];
        const int t = m_sinkCap[i];
        if (s < 1 || t < 1)
            continue;
        m_heights[std::size_t(i)] = 1;
        m_graf.setSourceFlow(i, s);
        if (t < s) {
            m_graf.setSinkFlow(i, t);
            m_excess[std::size_t(i)] = Excess((long long)s - t);
            m_queue[std::size_t(m_count++)] = i;
            m_mark[i] = true;
        } else {
            m_graf.setSinkFlow(i, s);
        }
    }
}

template <typename Excess>
void PushRelabel<Excess>::discharge(int u)
{
    // The n-links of u that exist, in the order up, right, down, left, with the
    // neighbour across each.
    const int x = u % m_geo.width;
    int neighbour[4];
    const int *cap[4];
    int *flow[4];
    int links = 0;
    for (int dir = 0; dir < 4; ++dir) {
        const int v = m_geo.neighbour(u, x, dir);
        if (v < 0)
            continue;
        const int at = m_geo.holder(u, dir);
        neighbour[links] = v;
        cap[links] = (grid::isVertical(dir) ? m_vertCap : m_horizCap) + at;
        flow[links++] = (grid::isVertical(dir) ? m_vertFlow : m_horizFlow) + at;
    }

    Excess ex = m_excess[std::size_t(u)];
    int hu = m_heights[std::size_t(u)];
    while (ex > 0) {
        bool pushed = false;

        const int r = m_sinkCap[u] - m_sinkFlow[u];
        if (r > 0) {
            const int d = int(std::min<Excess>(r, ex));
            m_graf.setSinkFlow(u, m_sinkFlow[u] + d);
            ex -= d;
            pushed = true;
        }

        // Every link is tried even once the excess is gone: a push of 0 still queues
        // the neighbour and still counts as a push.
        for (int k = 0; k < links; ++k) {
            const int residual = *cap[k] - *flow[k];
            const int v = neighbour[k];
            if (residual > 0 && hu > m_heights[std::size_t(v)]) {
                const int d = int(std::min<Excess>(residual, ex));
                *flow[k] += d;
                ex -= d;
                m_excess[std::size_t(v)] += d;
                enqueue(v);
                pushed = true;
            }
        }

        if (hu > m_n) {
            const int sf = m_sourceFlow[u];
            if (sf > 0) {
                const int d = int(std::min<Excess>(sf, ex));
                m_graf.setSourceFlow(u, sf - d);
                ex -= d;
                continue; // no relabel after giving back
            }
            diag::line("nemam s tok");
            // The link's one counter may have been raised by pushes from either side.
            for (int k = 0; k < links; ++k) {
                const int v = neighbour[k];
                if (*cap[k] > 0 && hu > m_heights[std::size_t(v)]) {
                    const int d = int(std::min<Excess>(*flow[k], ex));
                    *flow[k] -= d;
                    ex -= d;
                    m_excess[std::size_t(v)] += d;
                    enqueue(v);
                    pushed = true;
                }
            }
        }

        if (!pushed)
            hu += m_raise;
    }
    m_excess[std::size_t(u)] = ex;
    m_heights[std::size_t(u)] = hu;
}

template <typename Excess>
PushRelabelRun run(Graf &graf, QVector<int> &objectPixels, QVector<bool> &objectMask,
                   SolverHost &host, PushRelabelTrace *trace)
{
    PushRelabelRun result;
    const int n = graf.getPixelCount();
    PushRelabel<Excess> pr(graf, objectMask);

    pr.preflow();
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
    objectPixels.reserve(objects);
    for (int i = 0; i < n; ++i)
        if (mask[i])
            objectPixels.append(i);

    if (trace) {
        trace->heights = std::move(pr.heights());
        trace->excess.resize(std::size_t(n));
        for (int i = 0; i < n; ++i)
            trace->excess[std::size_t(i)] =
                int(std::clamp<long long>(pr.excess()[std::size_t(i)], INT_MIN, INT_MAX));
    }
    return result;
}

// Whether 32 bits hold every excess of the run. Every move takes at most what a pixel
// holds and, while no n-link counter is negative, never a negative amount, so no excess
// goes below 0; their sum starts at the preflow's total and never grows. So while that
// total fits, each excess does. Flow from several t-links near 2147483647 can meet in
// one pixel, and then the run needs 64 bits.
bool excessFits32(const Graf &graf)
{
    const int n = graf.getPixelCount();
    long long total = 0;
    for (int i = 0; i < n; ++i) {
        const int s = graf.sourceCap[std::size_t(i)];
        const int t = graf.sinkCap[std::size_t(i)];
        if (t >= 1 && s > t)
            total += (long long)s - t;
    }
    if (total > INT_MAX)
        return false;
    for (int i = 0; i < n; ++i)
        if (graf.vertFlow[std::size_t(i)] < 0 || graf.horizFlow[std::size_t(i)] < 0)
            return false;
    return true;
}

PushRelabelRun runWithTrace(Graf &graf, QVector<int> &objectPixels, QVector<bool> &objectMask,
                            SolverHost &host, PushRelabelTrace *trace)
{
    // Half the memory traffic of the working arrays with the same values.
    if (excessFits32(graf))
        return run<int>(graf, objectPixels, objectMask, host, trace);
    return run<long long>(graf, objectPixels, objectMask, host, trace);
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
