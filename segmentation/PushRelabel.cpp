#include "segmentation/PushRelabel.h"

#include "graph/Graf.h"
#include "graph/diag.h"
#include "segmentation/SolverHost.h"

#include <QList>

#include <algorithm>
#include <climits>

namespace {

class PushRelabel {
public:
    PushRelabel(Graf &graf, QVector<bool> &mask)
        : m_graf(graf),
          m_n(graf.getPixelCount()),
          // N / 4 is 0 below four pixels; a pixel that can push nothing would then be
          // discharged for ever. From four pixels on this is exactly N / 4.
          m_raise(std::max(1, m_n / 4)),
          m_excess(std::size_t(m_n), 0),
          m_heights(std::size_t(m_n), 0),
          m_mask(mask)
    {
    }

    void preflow();
    void discharge(int u);

    Graf &m_graf;
    const int m_n;
    const int m_raise;
    // 64 bits: flow from several t-links of up to 2147483647 can meet in one pixel.
    std::vector<long long> m_excess;
    std::vector<int> m_heights;
    QList<int> m_queue;
    QVector<bool> &m_mask; // true while a pixel is queued or being discharged

private:
    void enqueue(int v)
    {
        if (!m_mask[v] && m_heights[std::size_t(v)] < m_n) {
            m_queue.append(v);
            m_mask[v] = true;
        }
    }
};

void PushRelabel::preflow()
{
    for (int i = 0; i < m_n; ++i) {
        const int s = m_graf.sourceCapacity(i);
        const int t = m_graf.sinkCapacity(i);
        if (s < 1 || t < 1)
            continue;
        m_heights[std::size_t(i)] = 1;
        m_graf.setSourceFlow(i, s);
        if (t < s) {
            m_graf.setSinkFlow(i, t);
            m_excess[std::size_t(i)] = (long long)s - t;
            m_queue.append(i);
            m_mask[i] = true;
        } else {
            m_graf.setSinkFlow(i, s);
        }
    }
}

void PushRelabel::discharge(int u)
{
    long long &ex = m_excess[std::size_t(u)];
    int &hu = m_heights[std::size_t(u)];
    while (ex > 0) {
        bool pushed = false;

        const int r = m_graf.sinkResidual(u);
        if (r > 0) {
            const int d = int(std::min<long long>(r, ex));
            m_graf.setSinkFlow(u, m_graf.sinkFlowAt(u) + d);
            ex -= d;
            pushed = true;
        }

        // Every direction is tried even once the excess is gone: a push of 0 still
        // queues the neighbour and still counts as a push.
        for (int dir = 0; dir < 4; ++dir) {
            const int v = m_graf.residualNeighbour(u, dir);
            if (v >= 0 && hu > m_heights[std::size_t(v)]) {
                const int d = int(std::min<long long>(m_graf.residualBetween(u, v), ex));
                m_graf.addFlowBetween(u, v, d);
                ex -= d;
                m_excess[std::size_t(v)] += d;
                enqueue(v);
                pushed = true;
            }
        }

        if (hu > m_n) {
            const int sf = m_graf.sourceFlowAt(u);
            if (sf > 0) {
                const int d = int(std::min<long long>(sf, ex));
                m_graf.setSourceFlow(u, sf - d);
                ex -= d;
                continue; // no relabel after giving back
            }
            diag::line("nemam s tok");
            // The link's one counter may have been raised by pushes from either side.
            for (int dir = 0; dir < 4; ++dir) {
                const int v = m_graf.neighbourWithCapacity(u, dir);
                if (v >= 0 && hu > m_heights[std::size_t(v)]) {
                    const int d = int(std::min<long long>(m_graf.flowInDirection(u, dir), ex));
                    m_graf.addFlowBetween(u, v, -d);
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
}

} // namespace

PushRelabelRun segmentPushRelabel(Graf &graf, QVector<int> &objectPixels,
                                  QVector<bool> &objectMask, SolverHost &host,
                                  std::vector<int> *finalHeights,
                                  std::vector<int> *finalExcess)
{
    PushRelabelRun run;
    const int n = graf.getPixelCount();
    objectMask.fill(false, n);
    PushRelabel pr(graf, objectMask);

    pr.preflow();
    diag::line("DOKONCENIE HRAN O DLZKE 2");
    objectPixels.clear();

    const int l0 = pr.m_queue.size();
    host.begin(l0);
    while (!pr.m_queue.isEmpty()) {
        host.processEvents();
        if (host.wasCanceled()) {
            run.canceled = true;
            break;
        }
        const int u = pr.m_queue.takeFirst();
        ++run.dequeues;
        const int l = pr.m_queue.size();
        diag::Line() << "BEz. " << u << " a pocet " << l;
        host.setValue(l0 - l);
        pr.discharge(u);
        objectMask[u] = false;
    }

    objectMask.fill(false);
    diag::line("hladanie rezu");
    for (int i = 0; i < n; ++i) {
        if (graf.sourceCapacity(i) - graf.sourceFlowAt(i) > 0) {
            objectPixels.append(i);
            objectMask[i] = true;
        }
    }

    if (finalHeights)
        *finalHeights = pr.m_heights;
    if (finalExcess) {
        // The interface carries 32 bits; an excess beyond them (only from t-links near
        // the 32-bit limit) is reported at the limit.
        finalExcess->resize(std::size_t(n));
        for (int i = 0; i < n; ++i)
            (*finalExcess)[std::size_t(i)] =
                int(std::clamp<long long>(pr.m_excess[std::size_t(i)], INT_MIN, INT_MAX));
    }
    return run;
}
