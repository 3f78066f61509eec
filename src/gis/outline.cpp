#include "gis/outline.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <unordered_map>

namespace pravel::gis {

namespace {

// Cells of the largest patch of cells with data (joined along edges).
std::vector<char> largest_patch(const std::vector<char>& mask, int rows, int columns) {
    std::vector<int> label(mask.size(), -1);
    std::vector<std::size_t> stack;
    int best_label = -1;
    std::size_t best_size = 0;
    int next = 0;
    for (std::size_t start = 0; start < mask.size(); ++start) {
        if (!mask[start] || label[start] >= 0) continue;
        std::size_t size = 0;
        label[start] = next;
        stack.push_back(start);
        while (!stack.empty()) {
            const std::size_t c = stack.back();
            stack.pop_back();
            ++size;
            const int i = static_cast<int>(c / columns), j = static_cast<int>(c % columns);
            const int di[] = {-1, 1, 0, 0}, dj[] = {0, 0, -1, 1};
            for (int k = 0; k < 4; ++k) {
                const int ni = i + di[k], nj = j + dj[k];
                if (ni < 0 || nj < 0 || ni >= rows || nj >= columns) continue;
                const std::size_t n = static_cast<std::size_t>(ni) * columns + nj;
                if (mask[n] && label[n] < 0) {
                    label[n] = next;
                    stack.push_back(n);
                }
            }
        }
        if (size > best_size) {
            best_size = size;
            best_label = next;
        }
        ++next;
    }
    std::vector<char> patch(mask.size(), 0);
    for (std::size_t c = 0; c < mask.size(); ++c) patch[c] = label[c] == best_label && best_label >= 0;
    return patch;
}

struct Edge {
    ContourVertex from, to;
};

std::int64_t key(const ContourVertex& v) { return (static_cast<std::int64_t>(v.y) << 32) | static_cast<std::uint32_t>(v.x); }

// Turn from direction a to direction b: +1 right, -1 left, 0 straight (screen
// coordinates, y downwards).
int turn(const Edge& a, const Edge& b) {
    const int ax = a.to.x - a.from.x, ay = a.to.y - a.from.y;
    const int bx = b.to.x - b.from.x, by = b.to.y - b.from.y;
    const int cross = ax * by - ay * bx;
    return cross > 0 ? 1 : cross < 0 ? -1 : 0;
}

long long twice_area(const std::vector<ContourVertex>& loop) {
    long long a = 0;
    for (std::size_t k = 0; k < loop.size(); ++k) {
        const ContourVertex& p = loop[k];
        const ContourVertex& q = loop[(k + 1) % loop.size()];
        a += static_cast<long long>(p.x) * q.y - static_cast<long long>(q.x) * p.y;
    }
    return std::llabs(a);
}

}  // namespace

std::vector<ContourVertex> trace_outline(const std::vector<char>& mask, int rows, int columns) {
    if (rows <= 0 || columns <= 0 || mask.size() != static_cast<std::size_t>(rows) * columns) return {};
    const std::vector<char> patch = largest_patch(mask, rows, columns);
    auto in = [&](int i, int j) {
        return i >= 0 && j >= 0 && i < rows && j < columns && patch[static_cast<std::size_t>(i) * columns + j];
    };
    // Boundary edges, clockwise around each cell on screen, kept where the
    // neighbour across the edge is outside the patch.
    std::vector<Edge> edges;
    for (int i = 0; i < rows; ++i) {
        for (int j = 0; j < columns; ++j) {
            if (!in(i, j)) continue;
            if (!in(i - 1, j)) edges.push_back({{j, i}, {j + 1, i}});
            if (!in(i, j + 1)) edges.push_back({{j + 1, i}, {j + 1, i + 1}});
            if (!in(i + 1, j)) edges.push_back({{j + 1, i + 1}, {j, i + 1}});
            if (!in(i, j - 1)) edges.push_back({{j, i + 1}, {j, i}});
        }
    }
    if (edges.empty()) return {};
    std::unordered_multimap<std::int64_t, std::size_t> outgoing;
    for (std::size_t e = 0; e < edges.size(); ++e) outgoing.emplace(key(edges[e].from), e);
    std::vector<char> used(edges.size(), 0);

    std::vector<ContourVertex> best;
    long long best_area = -1;
    for (std::size_t first = 0; first < edges.size(); ++first) {
        if (used[first]) continue;
        std::vector<ContourVertex> loop;
        std::size_t e = first;
        while (!used[e]) {
            used[e] = 1;
            loop.push_back(edges[e].from);
            // Where two cells touch only at a corner, two edges leave the
            // vertex: take the right turn, which keeps to the cell just walked
            // along.
            std::size_t chosen = edges.size();
            int chosen_turn = -2;
            auto range = outgoing.equal_range(key(edges[e].to));
            for (auto it = range.first; it != range.second; ++it) {
                if (used[it->second] && it->second != first) continue;
                const int t = turn(edges[e], edges[it->second]);
                if (t > chosen_turn) {
                    chosen_turn = t;
                    chosen = it->second;
                }
            }
            if (chosen == edges.size()) break;
            e = chosen;
        }
        const long long area = twice_area(loop);
        if (area > best_area) {
            best_area = area;
            best = std::move(loop);
        }
    }

    // Drop points in the middle of straight runs.
    std::vector<ContourVertex> corners;
    const std::size_t n = best.size();
    for (std::size_t k = 0; k < n; ++k) {
        const ContourVertex& prev = best[(k + n - 1) % n];
        const ContourVertex& p = best[k];
        const ContourVertex& next = best[(k + 1) % n];
        if (turn({prev, p}, {p, next}) != 0) corners.push_back(p);
    }
    // Start at the top-left corner so that the line does not depend on the
    // order in which edges were found.
    const auto start = std::min_element(corners.begin(), corners.end(), [](const auto& a, const auto& b) {
        return a.y != b.y ? a.y < b.y : a.x < b.x;
    });
    std::rotate(corners.begin(), start, corners.end());
    corners.push_back(corners.front());
    return corners;
}

}  // namespace pravel::gis
