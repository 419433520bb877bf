// The resources of a Linux program: byte ranges linked into the executable,
// listed by name. The list is defined by whatever the program embeds (see
// images/payloads_linux.cpp); a program that asks for resources without
// linking a list fails at link time, not at run time.
#pragma once

#include <cstddef>

struct EmbeddedResource {
    const char* name;
    const unsigned char* begin;
    const unsigned char* end;
};

extern const EmbeddedResource EmbeddedResources[];
extern const size_t EmbeddedResourceCount;
