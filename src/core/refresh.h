#pragma once

struct DockletInstance;

void RefreshDocklet(DockletInstance* instance);
