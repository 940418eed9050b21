// Built-in pictures of the launcher (pixmaps/*.xpm compiled in).
#include "waymark/WmPixmap.h"

#include "common/XpmPixbuf.h"

// The XPM files are C arrays; each is used exactly once, here.
#include "pixmaps/AddItem1.xpm"
#include "pixmaps/AddItem2.xpm"
#include "pixmaps/Category1.xpm"
#include "pixmaps/Category2.xpm"
#include "pixmaps/Drag.xpm"
#include "pixmaps/Edit1.xpm"
#include "pixmaps/Edit2.xpm"
#include "pixmaps/Help1.xpm"
#include "pixmaps/Help2.xpm"
#include "pixmaps/Info.xpm"
#include "pixmaps/Item1.xpm"
#include "pixmaps/Item2.xpm"
#include "pixmaps/Item3.xpm"
#include "pixmaps/ItemInfo1.xpm"
#include "pixmaps/ItemInfo2.xpm"
#include "pixmaps/ItemMove1.xpm"
#include "pixmaps/ItemMove2.xpm"
#include "pixmaps/ItemMove3.xpm"
#include "pixmaps/Lupe1.xpm"
#include "pixmaps/Lupe2.xpm"
#include "pixmaps/Lupe3.xpm"
#include "pixmaps/Ques.xpm"
#include "pixmaps/Stop.xpm"
#include "pixmaps/ViewBase.xpm"

namespace wm {

bool InitPixmap(Pictures& p) {
    using suite::PixbufFromXpm;
    p.edit[0] = PixbufFromXpm(Edit1_xpm);
    p.edit[1] = PixbufFromXpm(Edit2_xpm);
    p.help[0] = PixbufFromXpm(Help1_xpm);
    p.help[1] = PixbufFromXpm(Help2_xpm);
    p.lupe[0] = PixbufFromXpm(Lupe1_xpm);
    p.lupe[1] = PixbufFromXpm(Lupe2_xpm);
    p.lupe[2] = PixbufFromXpm(Lupe3_xpm);
    p.item[0] = PixbufFromXpm(Item1_xpm);
    p.item[1] = PixbufFromXpm(Item2_xpm);
    p.item[2] = PixbufFromXpm(Item3_xpm);
    p.handle[0] = PixbufFromXpm(ItemMove1_xpm);
    p.handle[1] = PixbufFromXpm(ItemMove2_xpm);
    p.handle[2] = PixbufFromXpm(ItemMove3_xpm);
    p.category[0] = PixbufFromXpm(Category1_xpm);
    p.category[1] = PixbufFromXpm(Category2_xpm);
    p.drag = PixbufFromXpm(Drag_xpm);
    p.addItem[0] = PixbufFromXpm(AddItem1_xpm);
    p.addItem[1] = PixbufFromXpm(AddItem2_xpm);
    p.itemInfo[0] = PixbufFromXpm(ItemInfo1_xpm);
    p.itemInfo[1] = PixbufFromXpm(ItemInfo2_xpm);
    p.viewBase = PixbufFromXpm(ViewBase_xpm);
    p.stop = PixbufFromXpm(Stop_xpm);
    p.info = PixbufFromXpm(Info_xpm);
    p.ques = PixbufFromXpm(Ques_xpm);
    for (const Picture* set : {p.edit, p.help, p.addItem, p.itemInfo, p.category}) {
        if (!set[0] || !set[1]) {
            return false;
        }
    }
    for (const Picture* set : {p.lupe, p.item, p.handle}) {
        if (!set[0] || !set[1] || !set[2]) {
            return false;
        }
    }
    return p.drag && p.viewBase && p.stop && p.info && p.ques;
}

Picture LoadIconFile(const std::string& path) {
    return suite::PixbufFromXpmFile(path);
}

}  // namespace wm
