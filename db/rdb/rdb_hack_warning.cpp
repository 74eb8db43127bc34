#include "rdb_hack_warning.h"

#include "msg/msg.h"

void rdb_show_hack_warning_once(RDB_HACK_WARNING& hack)
{
    std::call_once(hack.shown, [&hack] {
        msg_local_vdebug("RDB", 2, "****** HACK WARNING ******");
        msg_local_vdebug("RDB", 2, "\t%s(%d) contains a hack by %s and is tracked by case %llu", hack.file, hack.line,
                         hack.author, hack.case_number);
        msg_local_vdebug("RDB", 2, "\tDescription: %s.", hack.description);
        msg_local_vdebug("RDB", 2, "**** END HACK WARNING ****");
    });
}
