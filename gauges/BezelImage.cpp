#include "BezelImage.h"

#include "GaugeDesign.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <initializer_list>
#include <vector>

namespace GaugePainter {

namespace {

#if (defined(__GNUC__) || defined(__clang__)) && defined(__x86_64__) && !defined(__AVX__)
__attribute__((target("avx"))) void vzeroupper()
{
    __builtin_ia32_vzeroupper();
}
#endif

// Library code run before us may leave the upper halves of the AVX registers in use; plain SSE
// arithmetic then runs at a third of its speed until they are cleared (measured at start-up).
void clearUpperVectorState()
{
#if (defined(__GNUC__) || defined(__clang__)) && defined(__x86_64__) && !defined(__AVX__)
    if (__builtin_cpu_supports("avx"))
        vzeroupper();
#endif
}

// A colour, premultiplied, channels 0..1.
struct Rgba
{
    float r = 0, g = 0, b = 0, a = 0;
};

// A gradient as a table of colours over t in [0, 1], as the raster engine keeps its gradients.
class GradientTable
{
public:
    struct Stop
    {
        double at;
        QRgb colour;
    };
    explicit GradientTable(std::initializer_list<Stop> stops)
    {
        const std::vector<Stop> s(stops);
        for (int i = 0; i < Size; ++i) {
            const double t = double(i) / (Size - 1);
            size_t k = 1;
            while (k + 1 < s.size() && s[k].at < t)
                ++k;
            const Stop &a = s[k - 1], &b = s[k];
            const double f = b.at > a.at ? std::clamp((t - a.at) / (b.at - a.at), 0.0, 1.0) : 1.0;
            const auto mix = [&](int (*channel)(QRgb)) {
                return float(((1 - f) * channel(a.colour) + f * channel(b.colour)) / 255.0);
            };
            table_[i] = {mix(qRed), mix(qGreen), mix(qBlue), mix(qAlpha)};
        }
    }
    const Rgba &at(float t) const
    {
        return table_[static_cast<int>(std::clamp(t, 0.0f, 1.0f) * (Size - 1) + 0.5f)];
    }

private:
    static constexpr int Size = 1024;
    std::array<Rgba, Size> table_;
};

// Coverage of a pixel whose centre lies d from the centre of a disc of radius r: the raster
// engine's area antialiasing, to within its rounding, for discs over a pixel or so across.
inline float discCoverage(float r, float d)
{
    return std::clamp(r - d + 0.5f, 0.0f, 1.0f);
}

} // namespace

QImage bezelImage(double unitPx, QPointF centre, double penPx, QPoint *origin)
{
    clearUpperVectorState();
    static const GradientTable outer(
        {{0, Colour::BezelLight}, {0.55, Colour::BezelMid}, {1, Colour::BezelDark}});
    static const GradientTable chamfer({{0, Colour::BezelDark}, {1, Colour::BezelLight}});
    static const GradientTable face(
        {{0, Colour::Face}, {0.7, Colour::Face}, {1, Colour::FaceEdge}});
    static constexpr Rgba black{0, 0, 0, 1};
    const float u = float(unitPx);
    // Two soft shadows below the case; case, chamfer, face and hairline share the centre.
    const float farDy = 2.6f * u, farR = 100.5f * u, farA = 22 / 255.0f;
    const float nearDy = 1.3f * u, nearR = 100 * u, nearA = 38 / 255.0f;
    const float caseR = 100 * u, chamferR = float(Design::BezelInner) * u,
                faceR = float(Design::FaceRadius) * u;
    const float hairHalf = float(penPx) / 2, hairA = 60 / 255.0f;
    // Case and chamfer shade along the diagonal from design (-70, -70) to (70, 70).
    const float gOffset = 140 * u, gScale = 1 / (280 * u);
    // The face darkens towards its rim from a centre above the hub; the first two stops are
    // the same colour, so inside faceFlat it is plain.
    const float faceDy = -35 * u, faceGradR = faceR * 1.25f, faceFlat = 0.7f * faceGradR;
    const Rgba plain = face.at(0);

    const QRect box = QRectF(centre.x() - farR - 1, centre.y() - caseR - 1, 2 * farR + 2,
                             caseR + farDy + farR + 2)
                          .toAlignedRect();
    *origin = box.topLeft();
    QImage image(box.size(), QImage::Format_ARGB32_Premultiplied);
    const int width = image.width(), height = image.height();
    const float cx = float(centre.x() - box.left()), cy = float(centre.y() - box.top());
    // Inside innerR a pixel is all face, clear of the hairline; beyond outerR it is empty.
    const float innerR = std::max(0.0f, faceR - hairHalf - 1);
    const float outerR = farR + farDy + 1;

    for (int y = 0; y < height; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        const float dy = y + 0.5f - cy;
        const float fy = dy - faceDy;
        for (int x = 0; x < width; ++x) {
            const float dx = x + 0.5f - cx;
            const float d2 = dx * dx + dy * dy;
            const auto faceAt = [&]() -> const Rgba & {
                const float f2 = dx * dx + fy * fy;
                return f2 <= faceFlat * faceFlat ? plain : face.at(std::sqrt(f2) / faceGradR);
            };
            if (d2 <= innerR * innerR) {
                const Rgba &c = faceAt();
                line[x] = qRgb(int(c.r * 255 + 0.5f), int(c.g * 255 + 0.5f), int(c.b * 255 + 0.5f));
                continue;
            }
            if (d2 >= outerR * outerR) {
                line[x] = 0;
                continue;
            }
            // Front to back: each layer shows through what the ones above leave uncovered.
            Rgba sum;
            const auto under = [&sum](const Rgba &c, float alpha) {
                const float k = (1 - sum.a) * alpha;
                sum.r += c.r * k;
                sum.g += c.g * k;
                sum.b += c.b * k;
                sum.a += c.a * k;
            };
            const auto covered = [&sum] { return sum.a >= 0.999f; };
            const float d = std::sqrt(d2);
            const float hair =
                discCoverage(faceR + hairHalf, d) - discCoverage(faceR - hairHalf, d);
            if (hair > 0)
                under(black, hair * hairA);
            if (const float c = discCoverage(faceR, d); c > 0)
                under(faceAt(), c);
            const float t = (dx + dy + gOffset) * gScale;
            if (!covered())
                if (const float c = discCoverage(chamferR, d); c > 0)
                    under(chamfer.at(t), c);
            if (!covered())
                if (const float c = discCoverage(caseR, d); c > 0)
                    under(outer.at(t), c);
            if (!covered()) {
                const float dNear = std::sqrt(dx * dx + (dy - nearDy) * (dy - nearDy));
                if (const float c = discCoverage(nearR, dNear); c > 0)
                    under(black, c * nearA);
                const float dFar = std::sqrt(dx * dx + (dy - farDy) * (dy - farDy));
                if (const float c = discCoverage(farR, dFar); c > 0)
                    under(black, c * farA);
            }
            const auto byte = [](float v) { return int(std::min(v, 1.0f) * 255 + 0.5f); };
            line[x] = qRgba(byte(sum.r), byte(sum.g), byte(sum.b), byte(sum.a));
        }
    }
    return image;
}

} // namespace GaugePainter
