#pragma once

#include <windows.h>

#include <string>

// A window's class name and text, and a rectangle as "left,top,right,bottom".
std::string ClassOf(HWND window);
std::string TextOf(HWND window);
std::string RectText(const RECT &rect);
