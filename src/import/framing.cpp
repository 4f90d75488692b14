#include "import/framing.h"

#include <algorithm>
#include <cmath>

#include "pipeline/camera.h"

namespace {

// Where the cameras look from: pitch and yaw as the camera record has them. The first is raised
// 27.5 degrees and turned 35 degrees to the model's right, so that neither a flat model nor an
// axis-aligned face is seen edge-on.
struct ViewDirection {
    float pitch;
    float yaw;
};
constexpr ViewDirection kViews[] = {{-27.5f, 325}, {0, 0}, {0, 270}, {-90, 0}};

constexpr double kDegrees = 180.0 / 3.14159265358979323846;
constexpr double kDefaultFieldOfView = 40.0;
constexpr double kNearestDepth = 1.05;  // no vertex closer to a camera than this along its view

// The vertices in one camera's basis, about the model's centre.
struct BasisPoints {
    std::vector<float> x, y, z;
    float highZ = -INFINITY;
};

BasisPoints inBasis(const std::vector<ImportedMesh>& meshes, const Camera& camera, Vec3 centre) {
    BasisPoints points;
    for (const ImportedMesh& mesh : meshes)
        for (const ImportedVertex& v : mesh.vertices) {
            Vec3 p = vec3Sub(v.position, centre);
            points.x.push_back(vec3Dot(camera.right, p));
            points.y.push_back(vec3Dot(camera.up, p));
            points.z.push_back(vec3Dot(camera.back, p));
            points.highZ = std::max(points.highZ, points.z.back());
        }
    return points;
}

// The extreme projected vertices along one screen axis for a camera offset `shift` along that
// axis at distance `distance`: x / depth, smallest and largest, with those vertices' x and depth.
struct AxisExtremes {
    double low = INFINITY, high = -INFINITY;
    double lowX = 0, lowDepth = 1, highX = 0, highDepth = 1;

    void add(double x, double depth, double shift) {
        double projected = (x - shift) / depth;
        if (projected < low) low = projected, lowX = x, lowDepth = depth;
        if (projected > high) high = projected, highX = x, highDepth = depth;
    }
    // The shift that centres the two extreme vertices.
    double centringShift() const {
        return (lowX / lowDepth + highX / highDepth) / (1 / lowDepth + 1 / highDepth);
    }
    double halfSpan(double shift) const { return ((highX - shift) / highDepth - (lowX - shift) / lowDepth) / 2; }
};

struct Placement {
    double right = 0, up = 0, distance = 0;  // along the camera's basis, from the model's centre
    double nearestDepth = 0, farthestDepth = 0;
};

// Places one camera so that its two limiting extremes fill `reach` of the normalised device
// range (x and y). `scale` turns x / depth and y / depth into device coordinates. Each round
// centres on the current extreme vertices and moves the camera by the ratio of the span to the
// target; with a perspective view both converge within a few rounds.
Placement place(const BasisPoints& points, double scaleX, double scaleY, double reachX, double reachY,
                double radius) {
    Placement at;
    at.distance = points.highZ + 3 * radius + 2;
    for (int round = 0; round < 100; ++round) {
        AxisExtremes ex, ey;
        for (std::size_t i = 0; i < points.x.size(); ++i) {
            double depth = at.distance - points.z[i];
            ex.add(points.x[i], depth, at.right);
            ey.add(points.y[i], depth, at.up);
        }
        double right = ex.centringShift(), up = ey.centringShift();
        double ratioX = scaleX * ex.halfSpan(right) / reachX, ratioY = scaleY * ey.halfSpan(up) / reachY;
        const AxisExtremes& limiting = ratioX >= ratioY ? ex : ey;
        double ratio = std::max(ratioX, ratioY);
        bool settled = std::fabs(right - at.right) <= 1e-6 * radius && std::fabs(up - at.up) <= 1e-6 * radius &&
                       std::fabs(ratio - 1) < 1e-5;
        at.right = right;
        at.up = up;
        if (!(ratio > 1e-9) || settled) break;
        double reference = at.distance - (limiting.lowDepth + limiting.highDepth) / 2;
        double next = reference + (at.distance - reference) * ratio;
        at.distance = std::max(next, points.highZ + 1e-3 * radius);
    }
    at.nearestDepth = INFINITY;
    at.farthestDepth = 0;
    for (float z : points.z) {
        at.nearestDepth = std::min(at.nearestDepth, at.distance - z);
        at.farthestDepth = std::max(at.farthestDepth, at.distance - z);
    }
    return at;
}

Vec3 plus(Vec3 p, Vec3 q) { return {p.x + q.x, p.y + q.y, p.z + q.z}; }

Camera camera(ViewDirection view, float fieldOfView, float farPlane) {
    Camera c;
    c.rotation = {view.pitch, view.yaw, 0};
    c.fieldOfView = fieldOfView;
    c.nearPlane = 1;
    c.farPlane = farPlane;
    updateCameraBasis(c);
    return c;
}

Vec3 offset(Vec3 centre, const Camera& c, double right, double up, double back) {
    auto along = [](float axis, double amount) { return static_cast<double>(axis) * amount; };
    return {static_cast<float>(centre.x + along(c.right.x, right) + along(c.up.x, up) + along(c.back.x, back)),
            static_cast<float>(centre.y + along(c.right.y, right) + along(c.up.y, up) + along(c.back.y, back)),
            static_cast<float>(centre.z + along(c.right.z, right) + along(c.up.z, up) + along(c.back.z, back))};
}

// The half extent of the device range a framed model may use along a side of `side` pixels.
double reach(int side, int narrower) { return 1 - (1 - kFramedShare) * narrower / side; }

}  // namespace

// Bounds and scaling are worked out in double: in float, the extent of coordinates near the
// largest accepted (1e30) squares to infinity, and the scale of a model of denormal size is
// infinite.
ModelBox modelBox(const std::vector<ImportedMesh>& meshes) {
    ModelBox box;
    for (const ImportedMesh& mesh : meshes)
        for (const ImportedVertex& v : mesh.vertices) {
            const float p[3] = {v.position.x, v.position.y, v.position.z};
            for (int k = 0; k < 3; ++k) {
                box.low[k] = std::min(box.low[k], static_cast<double>(p[k]));
                box.high[k] = std::max(box.high[k], static_cast<double>(p[k]));
            }
        }
    return box;
}

ModelBounds modelBounds(const std::vector<ImportedMesh>& meshes) {
    const ModelBox box = modelBox(meshes);
    const std::array<double, 3>& low = box.low;
    const std::array<double, 3>& high = box.high;
    ModelBounds bounds;
    if (!(low[0] <= high[0])) return bounds;
    double centre[3];
    for (int k = 0; k < 3; ++k) centre[k] = low[k] + (high[k] - low[k]) * 0.5;
    bounds.centre = {static_cast<float>(centre[0]), static_cast<float>(centre[1]), static_cast<float>(centre[2])};
    double farthest = 0;
    for (const ImportedMesh& mesh : meshes)
        for (const ImportedVertex& v : mesh.vertices) {
            double dx = v.position.x - centre[0], dy = v.position.y - centre[1], dz = v.position.z - centre[2];
            farthest = std::max(farthest, dx * dx + dy * dy + dz * dz);
        }
    bounds.radius = static_cast<float>(std::sqrt(farthest));
    return bounds;
}

void fitToUnitSphere(std::vector<ImportedMesh>& meshes, ModelBounds& bounds) {
    double scale = bounds.radius > 0.0f ? 1.0 / bounds.radius : 1.0;
    const Vec3 c = bounds.centre;
    for (ImportedMesh& mesh : meshes)
        for (ImportedVertex& v : mesh.vertices)
            v.position = {static_cast<float>((static_cast<double>(v.position.x) - c.x) * scale),
                          static_cast<float>((static_cast<double>(v.position.y) - c.y) * scale),
                          static_cast<float>((static_cast<double>(v.position.z) - c.z) * scale)};
    bounds.centre = {0, 0, 0};
    if (bounds.radius > 0.0f) bounds.radius = 1;
}

void shiftTextureCoordinates(ImportedMesh& mesh) {
    if (mesh.vertices.empty()) return;
    float lowU = mesh.vertices[0].texCoord.x, lowV = mesh.vertices[0].texCoord.y;
    for (const ImportedVertex& v : mesh.vertices) {
        lowU = std::min(lowU, v.texCoord.x);
        lowV = std::min(lowV, v.texCoord.y);
    }
    float shiftU = lowU < 0.0f ? -std::floor(lowU) : 0.0f;
    float shiftV = lowV < 0.0f ? -std::floor(lowV) : 0.0f;
    if (shiftU == 0.0f && shiftV == 0.0f) return;
    for (ImportedVertex& v : mesh.vertices) v.texCoord = {v.texCoord.x + shiftU, v.texCoord.y + shiftV};
}

ProjectedExtent projectedExtent(const std::vector<ImportedMesh>& meshes, Camera camera, const Camera& first,
                                int width, int height) {
    Matrix4 view = cameraViewMatrix(camera);
    Matrix4 projection = matrixPerspective(first.fieldOfView, static_cast<float>(width) / static_cast<float>(height),
                                           first.nearPlane, first.farPlane);
    ProjectedExtent extent;
    extent.lowX = extent.lowY = INFINITY;
    extent.highX = extent.highY = -INFINITY;
    for (const ImportedMesh& mesh : meshes)
        for (const ImportedVertex& v : mesh.vertices) {
            Vec4 clip = matrixTransform(projection, matrixTransform(view, {v.position.x, v.position.y, v.position.z, 1}));
            if (!(clip.w > 0.0f) || !(clip.z >= 0.0f) || !(clip.z <= clip.w)) extent.clipped = true;
            double x = static_cast<double>(clip.x) / clip.w, y = static_cast<double>(clip.y) / clip.w;
            extent.lowX = std::min(extent.lowX, x);
            extent.highX = std::max(extent.highX, x);
            extent.lowY = std::min(extent.lowY, y);
            extent.highY = std::max(extent.highY, y);
        }
    if (extent.lowX < -1 || extent.highX > 1 || extent.lowY < -1 || extent.highY > 1) extent.clipped = true;
    extent.widthShare = (extent.highX - extent.lowX) / 2;
    extent.heightShare = (extent.highY - extent.lowY) / 2;
    return extent;
}

std::vector<Camera> framingCameras(const std::vector<ImportedMesh>& meshes, const ModelBounds& bounds, int width,
                                   int height) {
    double radius = bounds.radius > 0.0f ? bounds.radius : 1.0;
    float aspect = static_cast<float>(width) / static_cast<float>(height);
    int narrower = std::min(width, height);
    double tangent = std::tan(kDefaultFieldOfView / 2 / kDegrees);
    float farPlane = static_cast<float>(std::max(8 * (radius / tangent + radius), 100.0));
    std::vector<Camera> cameras;
    for (int attempt = 0; attempt < 200; ++attempt) {
        float fieldOfView = static_cast<float>(2 * std::atan(tangent) * kDegrees);
        Matrix4 projection = matrixPerspective(fieldOfView, aspect, 1, farPlane);
        double depthScale = -1.0 / projection.m[14];  // w_clip = m14 * z_view, z_view = -depth
        cameras.clear();
        double nearest = INFINITY, farthest = 0;
        for (ViewDirection view : kViews) {
            Camera c = camera(view, fieldOfView, farPlane);
            Placement at = place(inBasis(meshes, c, bounds.centre), projection.m[0] * depthScale,
                                 projection.m[5] * depthScale, reach(width, narrower), reach(height, narrower), radius);
            c.position = offset(bounds.centre, c, at.right, at.up, at.distance);
            nearest = std::min(nearest, at.nearestDepth);
            farthest = std::max(farthest, at.farthestDepth);
            cameras.push_back(c);
        }
        if (farthest > farPlane / 2) {
            farPlane = static_cast<float>(farthest * 8);
        } else if (nearest < kNearestDepth && fieldOfView > 1e-3f) {
            tangent *= std::max(0.05, nearest / kNearestDepth * 0.9);
        } else {
            break;
        }
    }
    // Rounding to floats never cuts the model; a camera that would is moved back a little.
    for (Camera& c : cameras)
        for (int round = 0; round < 50 && projectedExtent(meshes, c, cameras[0], width, height).clipped; ++round)
            c.position = plus(c.position, vec3Scale(c.back, static_cast<float>(0.01 * radius)));
    return cameras;
}

std::vector<Light> framingLights(const Camera& first, const ModelBounds& bounds) {
    float r = bounds.radius > 0.0f ? bounds.radius : 1.0f;
    Vec3 c = bounds.centre;
    float distance = std::max(vec3Length(vec3Sub(first.position, c)), 2 * r);
    auto at = [&](float right, float up, float back) {
        Vec3 p = plus(c, vec3Scale(first.right, right * distance));
        p = plus(p, vec3Scale(first.up, up * distance));
        p = plus(p, vec3Scale(first.back, back * distance));
        return Vec4{p.x, p.y, p.z, 1};
    };
    // From the first camera's view, the key light comes from above and a little to the left, so
    // that the top, front and right side it shows get three distinct tones; the fill light
    // brightens the right side, which the key light grazes.
    Light key{at(-0.15f, 0.5f, 1.0f), {0.85f, 0.85f, 0.8f, 1}};
    Light fill{at(1.0f, -0.1f, 0.3f), {0.3f, 0.3f, 0.35f, 1}};
    return {key, fill};
}
