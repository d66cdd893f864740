// The contents of a menu, shared by the framework and its backends.
#pragma once

#include <string>
#include <vector>

#include "afxwin.h"

struct HMENU__ {
    struct Item {
        UINT flags;  // MF_*
        UINT id;     // command; 0 for a separator
        std::string text;  // UTF-8, '&' before the access key, '\t' before a shortcut's name
    };
    std::vector<Item> items;
    CMenu object;  // what CMenu::FromHandle answers

    HMENU__() { object.m_hMenu = this; }
    HMENU__(const HMENU__&) = delete;
    HMENU__& operator=(const HMENU__&) = delete;

    // The items a dialog's system menu starts with.
    void SetDefaultSystemItems();
};
