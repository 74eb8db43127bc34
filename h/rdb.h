#pragma once
// The report database library: everything a program needs, in one include.

#include "msg/msg.h"
#include "ini/cfg.h"
#include "trait/dtrait.h"
#include "tcl/atcl.h"
#include "time/big_time.h"
#include "hier/hdb.h"
#include "gen/gen_util.h"
#include "ktl/ktl.h"

#include "rdb_rgb.h"
#include "rdb_enum.h"
#include "rdb_object.h"
#include "rdb_visitor.h"
#include "rdb_folder.h"
#include "rdb_table_element.h"
#include "rdb_table_sys.h"
#include "rdb_gauges.h"
#include "rdb_report_type.h"
#include "rdb_vocabulary.h"
#include "rdb_messages.h"
