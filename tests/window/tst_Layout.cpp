// The window's layout for its outer size: the frames, the right-hand column and the bottom
// buttons, at and around the size thresholds, and the frames' height kept from a taller window.

#include "window/Layout.h"

#include <QList>
#include <QPair>
#include <QTest>

using namespace varnex;

namespace {

// Outer sizes (width, height) applied one after the other, from the designed geometry.
using Steps = QList<QPair<double, double>>;

// What a layout gives: the frames' width, top and height, the left of frameControls, the top of
// the bottom buttons and the lefts of Help, Rename and Exit.
QList<double> figures(const LayoutGeometry& g) {
    return {g.frameFolder.width, g.frameFolder.top, g.frameFolder.height, g.frameControls.left,
            g.cmdRename.top,     g.cmdHelp.left,    g.cmdRename.left,     g.cmdExit.left};
}

} // namespace

class TestLayout : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void sizes_data() {
        QTest::addColumn<Steps>("steps");
        QTest::addColumn<QList<double>>("expected");
        // clang-format off
        QTest::newRow("9000 x 7000") << Steps{{9000, 7000}} << QList<double>{4755, 480, 5920, 4995, 6085, 4995, 6510, 7665};
        QTest::newRow("first run, on both thresholds") << Steps{{8000, 6480}} << QList<double>{3755, 480, 5400, 3995, 5565, 3995, 5510, 6665};
        QTest::newRow("just narrower than the threshold") << Steps{{7999, 6480}} << QList<double>{3765, 480, 5400, 4005, 5565, 4005, 5520, 6675};
        QTest::newRow("taller, then lower than the threshold") << Steps{{8000, 7000}, {8000, 6000}} << QList<double>{3755, 480, 5920, 3995, 6085, 3995, 5510, 6665};
        // clang-format on
    }
    void sizes() {
        QFETCH(Steps, steps);
        LayoutGeometry g = designedLayoutGeometry();
        for (const auto& [width, height] : steps)
            g = layoutForWindowSize(width, height, g);
        QTEST(figures(g), "expected");
        // Both frames and the three bottom buttons share their lines.
        QCOMPARE(g.frameFiles.width, g.frameFolder.width);
        QCOMPARE(g.frameFiles.height, g.frameFolder.height);
        QCOMPARE(g.cmdHelp.top, g.cmdRename.top);
        QCOMPARE(g.cmdExit.top, g.cmdRename.top);
    }
    // The worked example's inner controls.
    void inner() {
        const LayoutGeometry g = layoutForWindowSize(9000, 7000, designedLayoutGeometry());
        // clang-format off
        const QList<double> got{g.Dir1.height, g.File1.height, g.lstFiles.height, g.lblFolder.width, g.cmdBrowse.left, g.Dir1.width,
                                g.File1.left, g.lstFiles.width, g.cmdOpen.left, g.cmdClose.left, g.cmdCloseAll.left};
        QCOMPARE(got, (QList<double>{5020, 5020, 5560, 3300, 3540, 2197.5, 2437.5, 3300, 3540, 3540, 3540}));
        // clang-format on
    }
};

QTEST_APPLESS_MAIN(TestLayout)
#include "tst_Layout.moc"
