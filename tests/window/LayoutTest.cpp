#include "window/Layout.h"

#include "window/Twips.h"

#include <QTest>

using namespace varnex;

class LayoutTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void workedExample();
    void thresholds_data();
    void thresholds();
    void twipScale();
};

// Every value the layout sets, for a 9000 × 7000 window from the designed geometry.
void LayoutTest::workedExample() {
    const LayoutGeometry g = layoutForWindowSize(9000, 7000, designedLayoutGeometry());
    for (const TwipRect& frame : {g.frameFolder, g.frameFiles})
        QCOMPARE(frame, (TwipRect{120, 480, 4755, 5920}));
    QCOMPARE(g.Dir1, (TwipRect{120, 840, 2197.5, 5020}));
    QCOMPARE(g.File1, (TwipRect{2437.5, 840, 2197.5, 5020}));
    QCOMPARE(g.lstFiles, (TwipRect{120, 240, 3300, 5560}));
    QCOMPARE(g.lblFolder, (TwipRect{120, 270, 3300, 255}));
    QCOMPARE(g.cmdBrowse, (TwipRect{3540, 240, 1095, 315}));
    QCOMPARE(g.cmdOpen, (TwipRect{3540, 240, 1095, 315}));
    QCOMPARE(g.cmdClose, (TwipRect{3540, 600, 1095, 315}));
    QCOMPARE(g.cmdCloseAll, (TwipRect{3540, 960, 1095, 315}));
    QCOMPARE(g.frameControls, (TwipRect{4995, 480, 3765, 4815}));
    QCOMPARE(g.cmdHelp, (TwipRect{4995, 6085, 1095, 315}));
    QCOMPARE(g.cmdRename, (TwipRect{6510, 6085, 1095, 315}));
    QCOMPARE(g.cmdExit, (TwipRect{7665, 6085, 1095, 315}));
}

// A window size, with the size laid out just before it (0 × 0: none, from the design), and
// what the layout then gives the frames, the right-hand column and the bottom buttons.
struct ThresholdRow {
    const char* name;
    double earlierWidth, earlierHeight, width, height;
    double frameWidth, frameTop, frameHeight, columnLeft, buttonTop, renameLeft, exitLeft;
};

// clang-format off
const ThresholdRow Thresholds[] = {
    {"first-run size, on both thresholds", 0, 0, 8000, 6480, 3755, 480, 5400, 3995, 5565, 5510, 6665},
    {"just below the width threshold", 0, 0, 7999, 6480, 3765, 480, 5400, 4005, 5565, 5520, 6675},
    {"narrow window keeps the column at 4005", 0, 0, 5000, 7000, 3765, 480, 5920, 4005, 6085, 5520, 6675},
    {"grow to 7000, shrink to 6000: frames keep 5920", 9000, 7000, 9000, 6000, 4755, 480, 5920, 4995, 6085, 6510, 7665},
    {"low from the start: buttons meet the folder frame", 0, 0, 8000, 6000, 3755, 4440, 3855, 3995, 7980, 5510, 6665},
};
// clang-format on

void LayoutTest::thresholds_data() {
    QTest::addColumn<int>("row");
    for (int i = 0; i < int(std::size(Thresholds)); ++i)
        QTest::newRow(Thresholds[i].name) << i;
}

void LayoutTest::thresholds() {
    QFETCH(int, row);
    const ThresholdRow& t = Thresholds[row];
    LayoutGeometry g = designedLayoutGeometry();
    if (t.earlierWidth > 0)
        g = layoutForWindowSize(t.earlierWidth, t.earlierHeight, g);
    g = layoutForWindowSize(t.width, t.height, g);

    QCOMPARE(g.frameFolder.width, t.frameWidth);
    QCOMPARE(g.frameFolder.top, t.frameTop);
    QCOMPARE(g.frameFolder.height, t.frameHeight);
    QCOMPARE(g.frameFiles.width, t.frameWidth);
    QCOMPARE(g.frameFiles.height, t.frameHeight);
    QCOMPARE(g.frameControls.left, t.columnLeft);
    QCOMPARE(g.cmdHelp.left, t.columnLeft);
    for (const TwipRect& button : {g.cmdHelp, g.cmdRename, g.cmdExit})
        QCOMPARE(button.top, t.buttonTop);
    QCOMPARE(g.cmdRename.left, t.renameLeft);
    QCOMPARE(g.cmdExit.left, t.exitLeft);
}

void LayoutTest::twipScale() {
    const TwipScale at96(96), at144(144);
    QCOMPARE(at96.toPixels(TwipRect{120, 240, 1095, 315}), QRect(8, 16, 73, 21));
    QCOMPARE(at144.toPixels(TwipRect{120, 240, 1095, 315}), QRect(12, 24, 110, 32));
    // Edges are rounded, not sizes, so that neighbours keep touching: 2197.5 twips wide at
    // 2437.5 ends on pixel 309.
    QCOMPARE(at96.toPixels(TwipRect{2437.5, 840, 2197.5, 5020}), QRect(163, 56, 146, 335));
    QCOMPARE(at144.toTwips(144), 1440.0);
}

QTEST_GUILESS_MAIN(LayoutTest)
#include "LayoutTest.moc"
