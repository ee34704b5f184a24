// The fake desktop portal as a process of its own, for hosts that cannot hold one in
// their own process (the C windowless host): answers every pick at once with the colour
// of its arguments (red, green, blue from 0 to 1), and prints "ready" once on the bus.
#include <QCoreApplication>
#include <cstdio>

#include "fake_portal.hpp"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() != 4) {
        std::fprintf(stderr, "usage: %s red green blue\n", argv[0]);
        return 2;
    }
    FakePortal portal;
    if (!portal.connected()) {
        std::fprintf(stderr, "no session bus\n");
        return 1;
    }
    portal.results = FakePortal::color(arguments[1].toDouble(), arguments[2].toDouble(),
                                       arguments[3].toDouble());
    std::printf("ready\n");
    std::fflush(stdout);
    return app.exec();
}
