#include "benchmarks.h"

#include "display/raster_surface.h"
#include "display/scope_colors.h"
#include "display/scope_renderer.h"

#include <QPainter>

#include <benchmark/benchmark.h>

#include <cmath>
#include <map>
#include <random>
#include <vector>

namespace {

// The same redraw through QPainter: lines are gathered per colour and each
// colour is painted with one drawLines call, aliased, one pixel wide.
class PainterSurface : public ScopeSurface
{
public:
    explicit PainterSurface(QSize size) : m_image(size, QImage::Format_RGB32) { }
    float ScaleWidth() const override { return float(m_image.width()); }
    float ScaleHeight() const override { return float(m_image.height()); }
    void Cls() override
    {
        m_batches.clear();
        m_image.fill(ScopeColors::kBackground);
    }
    void setForeColor(QRgb color) override
    {
        m_batches.push_back({color, {}});
        m_batches.back().lines.reserve(64);
    }
    void Line(float x1, float y1, float x2, float y2) override { m_batches.back().lines.append(QLineF(x1, y1, x2, y2)); }
    const QImage &picture()
    {
        QPainter painter(&m_image);
        painter.setRenderHint(QPainter::Antialiasing, false);
        for (const Batch &batch : m_batches) {
            painter.setPen(QPen(QColor::fromRgb(batch.color), 1));
            painter.drawLines(batch.lines);
        }
        return m_image;
    }

private:
    struct Batch
    {
        QRgb color;
        QList<QLineF> lines;
    };
    QImage m_image;
    std::vector<Batch> m_batches;
};

struct NoReadouts : ReadoutDisplay
{
    void setTimeReadout(const QString &text) override { benchmark::DoNotOptimize(text.size()); }
    void setLevelReadout(const QString &text) override { benchmark::DoNotOptimize(text.size()); }
};

std::vector<qint16> block(const char *shape, int u)
{
    std::vector<qint16> samples(size_t(u) + 1, 0);
    std::mt19937 random(12345);
    std::uniform_int_distribution<int> reading(0, 255);
    for (int i = 0; i < u; ++i) {
        qint16 &s = samples[size_t(i)];
        if (shape == std::string_view("flat"))
            s = 128;
        else if (shape == std::string_view("sine")) // four periods across the screen
            s = qint16(128 + std::lround(100 * std::sin(i * 8 * M_PI / u)));
        else
            s = qint16(reading(random));
    }
    return samples;
}

template<typename Surface>
void drawFrame(benchmark::State &state, const char *shape, int u, QSize size)
{
    const std::vector<qint16> samples = block(shape, u);
    const ScopeFrame frame{samples, u / 8, u / 2, 51, 205, 0.125};
    Surface surface(size);
    NoReadouts readouts;
    double xScale = 0, yScale = 0;
    for (auto _ : state) {
        drawScope(surface, readouts, frame, xScale, yScale);
        benchmark::DoNotOptimize(surface.picture().constBits());
    }
    state.counters["lines"] = double(u + 9);
}

} // namespace

void registerDrawBenchmarks()
{
    const QSize sizes[] = {{776, 317}, {1912, 928}, {3832, 2008}};
    for (const char *shape : {"flat", "sine", "noise"}) {
        for (int u : {768, 32766}) {
            for (const QSize size : sizes) {
                const std::string name = std::string(shape) + "/U=" + std::to_string(u) + "/"
                                         + std::to_string(size.width()) + "x" + std::to_string(size.height());
                benchmark::RegisterBenchmark(("draw/ours/" + name).c_str(), drawFrame<RasterSurface>, shape, u, size)
                        ->Unit(benchmark::kMicrosecond);
                benchmark::RegisterBenchmark(("draw/qpainter/" + name).c_str(), drawFrame<PainterSurface>, shape, u,
                                             size)
                        ->Unit(benchmark::kMicrosecond);
            }
        }
    }
}
