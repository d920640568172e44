#pragma once

// Access to the program's embedded resources and the readers of their formats. Every
// reader takes untrusted bytes and answers malformed input with nullopt.
#include "platform/resource/dib.h"
#include "platform/resource/icon.h"
#include "platform/resource/menu_template.h"
#include "platform/resource/resource_table.h"
