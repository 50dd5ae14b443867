#!/usr/bin/python3
"""Prints the apt-get install words that let i386 packages join this amd64 machine.

Libraries marked Multi-Arch: same must have one version on both architectures. When the
amd64 copy installed here differs from what the i386 archive offers (a security index that
serves amd64 only, a point release not yet taken), apt refuses the i386 install. This pins
each such library, on both architectures, to the i386 candidate, and moves the installed
amd64 packages built from the same source at the same version (the -dev packages) along.

Usage: match-i386.py PACKAGE:i386 ...   (prints NAME:ARCH[=VERSION], one a line)
"""
import subprocess
import sys

import apt_pkg


def installed_amd64():
    """name -> (version, source) of the installed amd64 packages."""
    out = subprocess.run(
        ["dpkg-query", "-W", "-f", "${Package} ${Architecture} ${Version} ${source:Package} ${db:Status-Abbrev}\n"],
        check=True, capture_output=True, text=True).stdout
    result = {}
    for line in out.splitlines():
        parts = line.split()
        if len(parts) >= 5 and parts[1] == "amd64" and parts[4].startswith("ii"):
            result[parts[0]] = (parts[2], parts[3])
    return result


def needed_i386(cache, deps, roots):
    """The i386 packages the roots reach through Depends and Pre-Depends."""
    seen, todo, found = set(), list(roots), []
    while todo:
        pkg = todo.pop()
        if pkg.id in seen:
            continue
        seen.add(pkg.id)
        cand = deps.get_candidate_ver(pkg)
        if cand is None:
            # A virtual package: follow its first provider.
            if pkg.provides_list:
                todo.append(pkg.provides_list[0][2].parent_pkg)
            continue
        found.append((pkg, cand))
        for kind in ("Depends", "PreDepends"):
            for group in cand.depends_list.get(kind, []):
                for dep in group:  # the first alternative apt can satisfy
                    target = dep.target_pkg
                    if target.has_versions or target.provides_list:
                        todo.append(target)
                        break
    return [(p, c) for p, c in found if p.architecture == "i386"]


def main():
    apt_pkg.init()
    cache = apt_pkg.Cache(None)
    deps = apt_pkg.DepCache(cache)
    roots = []
    for word in sys.argv[1:]:
        name, _, arch = word.partition(":")
        roots.append(cache[(name, arch or "i386")])
    native = installed_amd64()
    pins = {}
    for pkg, cand in needed_i386(cache, deps, roots):
        if cand.multi_arch != cand.MULTI_ARCH_SAME:
            continue
        # Named outright: apt's resolver gives up on long chains of shared libraries.
        pins.setdefault(pkg.name + ":i386", "")
        if pkg.name not in native:
            continue
        old, source = native[pkg.name]
        if old == cand.ver_str:
            continue
        pins[pkg.name + ":amd64"] = cand.ver_str
        pins[pkg.name + ":i386"] = cand.ver_str
        for other, (ver, src) in native.items():
            if src == source and ver == old and other != pkg.name:
                versions = cache[(other, "amd64")].version_list
                if any(v.ver_str == cand.ver_str for v in versions):
                    pins.setdefault(other + ":amd64", cand.ver_str)
    for name, ver in sorted(pins.items()):
        print(f"{name}={ver}" if ver else name)


if __name__ == "__main__":
    main()
