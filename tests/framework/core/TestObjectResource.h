/* Resources of the core suite's program, shared with its .rc file. */
#pragma once

#define IDS_TESTOBJECT 1
