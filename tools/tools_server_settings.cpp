#include "tools_server_settings.h"

TToolsServerSettings ToolsServerSettings;
