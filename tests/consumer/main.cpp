// Exercises the installed package the way a host does: one include, one target.
#include <zebplot/zebplot.h>

#include <QApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    Bounds bounds(0, 10, 0, 1);
    bounds.shiftAndClip(Bounds::Horizontal, Bounds(2, 5, 0, 1));
    if (bounds.minX != 2 || bounds.maxX != 5) {
        std::fprintf(stderr, "consumer: unexpected bounds\n");
        return 1;
    }
    if (getPlotRenderSettings()->majorTickLength != 8) {
        std::fprintf(stderr, "consumer: unexpected render settings\n");
        return 1;
    }
    std::printf("consumer: linked against ZebPlot\n");
    return 0;
}
