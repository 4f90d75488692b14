#include "import/polygon_triangulation.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace {

struct Point {
    double x, y;
};

double cross(Point o, Point a, Point b) { return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x); }

// The polygon seen along its normal (Newell's method, robust for concave polygons), in two
// coordinates in which it runs counter-clockwise.
std::vector<Point> flatten(const std::vector<Vec3>& corners) {
    double nx = 0, ny = 0, nz = 0;
    for (std::size_t i = 0; i < corners.size(); ++i) {
        const Vec3& a = corners[i];
        const Vec3& b = corners[(i + 1) % corners.size()];
        nx += (static_cast<double>(a.y) - b.y) * (static_cast<double>(a.z) + b.z);
        ny += (static_cast<double>(a.z) - b.z) * (static_cast<double>(a.x) + b.x);
        nz += (static_cast<double>(a.x) - b.x) * (static_cast<double>(a.y) + b.y);
    }
    std::vector<Point> points;
    points.reserve(corners.size());
    // Drop the axis the normal is most along; the other two, in right-handed order, give a
    // counter-clockwise polygon when that normal component is positive: mirror it otherwise.
    double ax = std::fabs(nx), ay = std::fabs(ny), az = std::fabs(nz);
    for (const Vec3& c : corners) {
        if (az >= ax && az >= ay)
            points.push_back({c.x, nz >= 0 ? c.y : -static_cast<double>(c.y)});
        else if (ax >= ay)
            points.push_back({c.y, nx >= 0 ? c.z : -static_cast<double>(c.z)});
        else
            points.push_back({c.z, ny >= 0 ? c.x : -static_cast<double>(c.x)});
    }
    return points;
}

bool insideOrOnTriangle(Point p, Point a, Point b, Point c) {
    return cross(a, b, p) >= 0 && cross(b, c, p) >= 0 && cross(c, a, p) >= 0;
}

bool samePoint(Point p, Point q) { return p.x == q.x && p.y == q.y; }

// Polygons up to this many corners test every remaining corner against each candidate ear;
// larger ones only the corners that are not convex, found through a grid.
constexpr std::size_t kSmallPolygon = 64;

// Point tests (and grid cells looked at) allowed per polygon. A polygon that crosses itself everywhere can have almost
// no ears, and each futile search costs a pass over the polygon: after this many tests (some
// tenths of a second) the rest is cut off corner by corner without looking, which still
// covers it with the right number of triangles.
constexpr std::size_t kTestBudget = 4'000'000;

// The remaining polygon as a ring, with a grid over the corners that are not convex: only
// those can lie inside a candidate ear of a polygon that does not cross itself.
class EarClipper {
public:
    explicit EarClipper(std::vector<Point> points) : points_(std::move(points)), n_(points_.size()) {
        next_.resize(n_);
        previous_.resize(n_);
        removed_.assign(n_, false);
        inGrid_.assign(n_, false);
        for (std::size_t i = 0; i < n_; ++i) {
            next_[i] = (i + 1) % n_;
            previous_[i] = (i + n_ - 1) % n_;
        }
        if (n_ > kSmallPolygon) buildGrid();
    }

    std::vector<std::array<int, 3>> triangulate() {
        std::vector<std::array<int, 3>> triangles;
        triangles.reserve(n_ - 2);
        std::size_t at = 0, remaining = n_;  // ears tend to follow one another: look on from the last one
        while (remaining > 3) {
            std::size_t ear = at;
            bool found = false;
            for (std::size_t step = 0, corner = at; step < remaining && !found && budget_ > 0; ++step) {
                if (isEar(corner)) {
                    ear = corner;
                    found = true;
                }
                corner = next_[corner];
            }
            // No ear: the polygon crosses itself or has collapsed (or the budget is spent);
            // cut off the corner here so that the rest is still covered.
            triangles.push_back({static_cast<int>(previous_[ear]), static_cast<int>(ear), static_cast<int>(next_[ear])});
            remove(ear);
            // Going on from the next corner cuts fans from one corner, whose ever larger
            // triangles a large polygon's grid would search whole; going on one corner
            // later cuts strips.
            at = n_ > kSmallPolygon ? next_[next_[ear]] : next_[ear];
            --remaining;
        }
        triangles.push_back({static_cast<int>(previous_[at]), static_cast<int>(at), static_cast<int>(next_[at])});
        // The same three corners in the order the ring had from its first remaining corner.
        std::array<int, 3>& last = triangles.back();
        while (!(last[0] < last[1] && last[0] < last[2])) last = {last[1], last[2], last[0]};
        return triangles;
    }

private:
    bool convex(std::size_t corner) const {
        return cross(points_[previous_[corner]], points_[corner], points_[next_[corner]]) > 0;
    }

    // Corner `b` is an ear when it turns left and no other remaining corner lies in the
    // triangle it would cut off.
    bool isEar(std::size_t b) {
        --budget_;
        std::size_t a = previous_[b], c = next_[b];
        Point pa = points_[a], pb = points_[b], pc = points_[c];
        if (!(cross(pa, pb, pc) > 0)) return false;
        auto blocks = [&](std::size_t k) {
            --budget_;
            if (k == a || k == b || k == c || removed_[k]) return false;
            Point p = points_[k];
            if (samePoint(p, pa) || samePoint(p, pb) || samePoint(p, pc)) return false;
            return insideOrOnTriangle(p, pa, pb, pc);
        };
        if (n_ <= kSmallPolygon) {
            for (std::size_t k = next_[c]; k != a; k = next_[k])
                if (blocks(k)) return false;
            return true;
        }
        std::size_t x0 = cellX(std::min({pa.x, pb.x, pc.x})), x1 = cellX(std::max({pa.x, pb.x, pc.x}));
        std::size_t y0 = cellY(std::min({pa.y, pb.y, pc.y})), y1 = cellY(std::max({pa.y, pb.y, pc.y}));
        for (std::size_t y = y0; y <= y1; ++y)
            for (std::size_t x = x0; x <= x1; ++x) {
                --budget_;
                std::vector<std::size_t>& corners = cells_[y * columns_ + x];
                for (std::size_t i = 0; i < corners.size();) {
                    std::size_t k = corners[i];
                    // Gone, or convex now: out of the grid until a change of neighbours (in
                    // `remove`) makes it turn right again.
                    if (removed_[k] || convex(k)) {
                        inGrid_[k] = false;
                        corners[i] = corners.back();
                        corners.pop_back();
                        continue;
                    }
                    if (blocks(k)) return false;
                    ++i;
                }
            }
        return true;
    }

    void remove(std::size_t corner) {
        removed_[corner] = true;
        std::size_t before = previous_[corner], after = next_[corner];
        next_[before] = after;
        previous_[after] = before;
        // A neighbour that turns right now (possible only where the polygon crosses itself)
        // may block later ears.
        if (n_ > kSmallPolygon)
            for (std::size_t k : {before, after})
                if (!inGrid_[k] && !convex(k)) addToGrid(k);
    }

    void buildGrid() {
        low_ = high_ = points_[0];
        for (const Point& p : points_) {
            low_ = {std::fmin(low_.x, p.x), std::fmin(low_.y, p.y)};
            high_ = {std::fmax(high_.x, p.x), std::fmax(high_.y, p.y)};
        }
        columns_ = rows_ = static_cast<std::size_t>(std::sqrt(static_cast<double>(n_))) + 1;
        cells_.resize(columns_ * rows_);
        for (std::size_t k = 0; k < n_; ++k)
            if (!convex(k)) addToGrid(k);
    }

    void addToGrid(std::size_t k) {
        inGrid_[k] = true;
        cells_[cellY(points_[k].y) * columns_ + cellX(points_[k].x)].push_back(k);
    }

    // The cell a coordinate falls in, held to the grid (also for coordinates that are not
    // numbers, which no float-to-integer conversion may see).
    static std::size_t cell(double value, double low, double high, std::size_t count) {
        double t = (value - low) / (high - low) * static_cast<double>(count);
        if (!(t >= 0)) return 0;
        if (!(t < static_cast<double>(count))) return count - 1;
        return static_cast<std::size_t>(t);
    }
    std::size_t cellX(double x) const { return cell(x, low_.x, high_.x, columns_); }
    std::size_t cellY(double y) const { return cell(y, low_.y, high_.y, rows_); }

    std::vector<Point> points_;
    std::size_t n_;
    std::vector<std::size_t> next_, previous_;
    std::vector<bool> removed_, inGrid_;
    std::ptrdiff_t budget_ = static_cast<std::ptrdiff_t>(kTestBudget);
    Point low_{}, high_{};
    std::size_t columns_ = 0, rows_ = 0;
    std::vector<std::vector<std::size_t>> cells_;
};

}  // namespace

std::vector<std::array<int, 3>> triangulatePolygon(const std::vector<Vec3>& corners) {
    if (corners.size() < 3) return {};
    return EarClipper(flatten(corners)).triangulate();
}
