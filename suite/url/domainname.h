#pragma once
// Checks an entry of an e-script's domain list. The list holds the domains the editor derives
// from its URLs' servers (a parent domain with a leading dot, a bare host, an address
// literal) and what users type, where "*" stands for any text within a label.

#include <QString>

// True for a host or domain name, optionally led by "." and ending in one "." (an absolute
// name), with labels of letters, digits, "-", "_" and "*"; for an IPv4 literal; and for an
// IPv6 literal in brackets. Case and surrounding blanks do not matter.
[[nodiscard]] bool IsDomainListEntry(const QString& entry);
