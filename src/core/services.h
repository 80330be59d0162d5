#pragma once

class APIService;
class AppEvents;
class Conversations;
class StartupManager;
class UserSettings;
class WebSocketService;

// The long-lived services the screens use, handed down from the process's
// wiring so that each screen's constructor shows what it depends on.
struct Services
{
    UserSettings &settings;
    APIService &api;
    WebSocketService &channel;
    StartupManager &startup;
    AppEvents &events;
    Conversations &conversations;
};
