// What the start-up thread prepares ahead is what the window shows, and the
// thread never holds up the end of a program that stops early.
#include <QCursor>
#include <QImage>
#include <QPixmap>

#include "app/resource_pictures.h"
#include "app/startup_helper.h"
#include "tests/app/app_test_main.h"

namespace plumavo::test {
namespace {

struct CursorRow {
  const char* name;
  EditCursor cursor;
  const char* file;
};

class StartupCursor : public WindowTest, public testing::WithParamInterface<CursorRow> {};

// Each editing cursor is its built-in picture with the hot spot the picture
// names, not the default arrow a picture that failed to decode leaves.
TEST_P(StartupCursor, IsTheBuiltInPictureWithItsHotSpot) {
  const CursorRow& row = GetParam();
  const QImage file(QString(":/icons/") + row.file);
  ASSERT_FALSE(file.isNull()) << row.file;
  const QCursor& cursor = window->CursorOf(row.cursor);
  ASSERT_EQ(cursor.shape(), Qt::BitmapCursor) << row.name;
  EXPECT_EQ(cursor.hotSpot(), QPoint(file.text("HotSpotX").toInt(), file.text("HotSpotY").toInt())) << row.name;
  EXPECT_EQ(cursor.pixmap().toImage().convertToFormat(QImage::Format_ARGB32),
            file.convertToFormat(QImage::Format_ARGB32))
      << row.name;
}

INSTANTIATE_TEST_SUITE_P(Cursors, StartupCursor,
                         testing::Values(CursorRow{"MoveVertex", EditCursor::MoveV, "cursor_movev.png"},
                                         CursorRow{"EyeDropper", EditCursor::EyeDrop, "cursor_eyedrop.png"},
                                         CursorRow{"MoveShape", EditCursor::Move, "cursor_move.png"},
                                         CursorRow{"Pencil", EditCursor::Pencil, "cursor_pencil.png"},
                                         CursorRow{"Hand", EditCursor::Hand, "cursor_hand.png"}),
                         [](const testing::TestParamInfo<CursorRow>& info) { return std::string(info.param.name); });

// The image list holds the 30 toolbar and menu icons side by side.
TEST(StartupPictures, ImageListHoldsThirtyIconsOfSixteenPixels) {
  App();
  const QImage& list = DecodedResourcePictures().ImageList;
  EXPECT_EQ(list.size(), QSize(30 * 16, 16));
}

// A start that ends before the application is built (it failed, or main
// returned early) must not leave the program waiting for the thread, which
// waits for the application before it decodes the pictures.
TEST(StartupHelperEnd, GoesWithoutTheApplicationEverBeingAnnounced) {
  { StartupHelper helper; }
  {
    StartupHelper helper;
    helper.WaitForFonts();
  }
  SUCCEED();
}

}  // namespace
}  // namespace plumavo::test
