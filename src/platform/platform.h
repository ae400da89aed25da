// Everything the program reaches of Windows, one narrow interface per area.
#pragma once

#include "platform/com.h"
#include "platform/console.h"
#include "platform/desktop.h"
#include "platform/dialogs.h"
#include "platform/files.h"
#include "platform/handles.h"
#include "platform/installer.h"
#include "platform/registry.h"
#include "platform/resources.h"
#include "platform/services.h"
#include "platform/shell.h"
#include "platform/system.h"
#include "platform/task_scheduler.h"
#include "platform/ui.h"

namespace quorix::platform {

struct Platform {
    System& system;
    Files& files;
    Console& console;
    Ui& ui;
    Registry& registry;
    Installer& installer;
    Resources& resources;
    Shell& shell;
    Com& com;
    Services& services;
    TaskScheduler& tasks;
    Desktop& desktop;
    Dialogs& dialogs;
};

}  // namespace quorix::platform
