#!/usr/bin/env python3
"""Prints, level by level, the component types and behaviour nodes a shipped level uses (its own
objects and every archetype file it names, followed through the files they name, and the components kept inside another
component's data, such as the Scaler a Suck hands to what it takes in), then what the
archetype files no level names use (the game makes those itself: menus, the editor), then the
registered types that none of these uses.

Usage: scripts/level-contents.py [repository folder]"""
import pathlib
import re
import sys
import xml.etree.ElementTree as ElementTree

root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).resolve().parent.parent)
data = root / "Data"


def registered_components():
    sources = [path.read_text() for path in (root / "src").rglob("*.cpp")]
    headers = "\n".join(path.read_text() for path in (root / "inc").rglob("*.h"))
    classes = set()
    for text in sources:
        classes |= set(re.findall(r"\b(\w+)::Register\(\)", text))
        classes |= set(re.findall(r"Entry<(\w+)>\(\)", text))
    everything = headers + "\n".join(sources)
    tags = dict(re.findall(r"struct (__\w+)\s*\{\s*static constexpr const char\* name = \"(\w+)\"", everything))
    names = set()
    for cls in classes:
        tag = re.search(r"class " + cls + r"\b[^{;]*<\s*" + cls + r",\s*(__\w+)", everything)
        if tag and tag.group(1) in tags:
            names.add(tags[tag.group(1)])
    return names


def registered_behaviors():
    text = (root / "src/Systems/Logic/LogicTypes.cpp").read_text()
    return set(re.findall(r"\{\"(\w+)\", &RegisterBehavior<", text))


def archetype_file(name):
    for folder in ("Objects", "Groups"):
        path = data / folder / name
        if path.is_file():
            return path
    return None


def contents(path, components, behaviors, seen, registered):
    """Adds what the file at path and the archetype files it names use; an element named after a
    registered component is that component's data kept by another one."""
    if path in seen:
        return
    seen.add(path)
    tree = ElementTree.parse(path)
    for element in tree.iter():
        value = (element.text or "").strip()
        key = element.get("name")
        if key == "ComponentName":
            components.add(value)
        elif element.tag in registered:
            components.add(element.tag)
        elif key in ("Behavior", "rootType"):
            behaviors.add(value)
        named = element.get("file") or (value if value.endswith(".xml") else "")
        if named and archetype_file(named):
            contents(archetype_file(named), components, behaviors, seen, registered)


def report(title, components, behaviors):
    print(f"{title}:")
    print("  components: " + (", ".join(sorted(components)) or "none"))
    print("  behaviour nodes: " + (", ".join(sorted(behaviors)) or "none"))


def main():
    all_components = registered_components()
    all_behaviors = registered_behaviors()
    used_components, used_behaviors, reached = set(), set(), set()
    for level in sorted(p for p in (data / "Levels").iterdir() if p.is_file()):
        components, behaviors, seen = set(), set(), set()
        contents(level, components, behaviors, seen, all_components)
        reached |= seen
        used_components |= components
        used_behaviors |= behaviors
        report(level.name, components, behaviors)
    for archetype in sorted((data / "Objects").glob("*.xml")):
        if archetype not in reached:
            components, behaviors = set(), set()
            contents(archetype, components, behaviors, set(), all_components)
            used_components |= components
            used_behaviors |= behaviors
            report(f"{archetype.name} (named by no level)", components, behaviors)
    print("registered components nothing uses: " + (", ".join(sorted(all_components - used_components)) or "none"))
    print("registered behaviour nodes nothing uses: " + (", ".join(sorted(all_behaviors - used_behaviors)) or "none"))


main()
