// The container's property bag over one section of the form file: what a
// control reads when the form is loaded and writes when it is saved. Values
// keep their kind (text, Boolean, number, colour); a font is written as
// readable keys under its property's name (Font.Name, Font.Size, ...) and
// read back as a new standard font.
#pragma once

#include <windows.h>
#include <ocidl.h>

#include <string>

#include "form_file.h"

namespace velmora::demo {

// A new bag over section, which must outlive it. The bag starts with a
// reference count of 1.
IPropertyBag* NewFormPropertyBag(FormSection& section);

std::wstring Widen(const std::string& utf8);
std::string Narrow(const std::wstring& text);
// "0x80004005": an HRESULT as the messages of the demo show it.
std::string HresultText(HRESULT hr);

}  // namespace velmora::demo
