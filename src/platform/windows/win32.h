// <windows.h> for the Windows backend, and only for it: the lean form
// without min/max macros, wide-character calls by default. <windows.h>
// names many functions by macros that pick their ...A or ...W form; those
// whose names our interfaces also use are undefined here, so the backend
// calls the ...W form by its full name and our member functions keep theirs.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef UNICODE
#define UNICODE
#endif
#ifndef _UNICODE
#define _UNICODE
#endif

#include <windows.h>

#undef AddForm
#undef CreateWindow
#undef DeleteFile
#undef GetOpenFileName
#undef GetPrivateProfileString
#undef GetShortPathName
#undef MessageBox
#undef PlaySound
#undef ReplaceFile
#undef WritePrivateProfileString
