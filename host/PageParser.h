#pragma once
// Finds the control in an HTML page (UTF-8): the first <object> whose classid
// is "clsid:" with the control's class id (any case, braces optional) or
// "progid:" with its ProgID, or whose type is the ProgID.
#include <string>
#include <string_view>

#include "host/HostPage.h"

// Pages with more start tags than this are refused before parsing: the HTML
// parser's time grows with the square of the nesting depth.
inline constexpr std::size_t kMaxPageTags = 20000;

// Fills title, params, width and height of `page`. False with `error` (one
// line) when the text is not HTML, has no such object, is too complex, or
// holds a text that the process code page cannot represent.
bool ParsePageHtml(std::string_view utf8, HostPage& page, std::string& error);
