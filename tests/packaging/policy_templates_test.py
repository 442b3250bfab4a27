#!/usr/bin/env python3
"""The Group Policy templates as the editor reads them: both files are well-formed, every name
the template refers to is in the language file, and every registry value a policy writes is one
the program reads, under the key its registry store reads locks from. The keys, the on/off texts
and the interval list are taken from the program's own sources, so a renamed key fails here.
Usage: policy_templates_test.py <source-dir>"""
import re
import sys
import xml.etree.ElementTree as ET

source = sys.argv[1]
NS = {"p": "http://schemas.microsoft.com/GroupPolicy/2006/07/PolicyDefinitions"}
failures = []


def read(path):
    with open(f"{source}/{path}", encoding="utf-8") as f:
        return f.read()


def constant(text, name):
    found = re.search(rf'\b{name} = "([^"]*)"', text)
    if not found:
        sys.exit(f"no {name} in the sources")
    return found.group(1)


settings_h = read("src/mainwindow/Settings.h")
keys_block = re.search(r"namespace SettingKeys \{(.*?)\}", settings_h, re.S).group(1)
keys = set(re.findall(r'= "([^"]+)"', keys_block))
program_h = read("src/app/Program.h")
keys |= set(re.findall(r'string_view \w+Key = "([^"]+)"', program_h))
policy_key = "Software\\Policies\\{}\\{}".format(
    constant(settings_h, "SettingsApplication"), constant(settings_h, "SettingsSection"))
on, off = constant(settings_h, "SettingOn"), constant(settings_h, "SettingOff")
intervals = len(re.findall(r'\{"Save every [^"]*", \d+\}',
                           read("src/backup/IntervalForSelection.h")))
on_off_keys = {constant(settings_h, n) for n in
               ("IncludeDate", "WindowsStartup", "StartStopState", "Minimized")}

admx = ET.parse(f"{source}/packaging/windows/Tallyguard.admx").getroot()
adml = ET.parse(f"{source}/packaging/windows/en-US/Tallyguard.adml").getroot()
strings = {s.get("id") for s in adml.iterfind(".//p:stringTable/p:string", NS)}
presentations = {p.get("id"): p for p in adml.iterfind(".//p:presentationTable/p:presentation", NS)}

for element in admx.iter():
    for attribute in element.attrib.values():
        for name in re.findall(r"\$\(string\.([^)]+)\)", attribute):
            if name not in strings:
                failures.append(f"$(string.{name}) is not in the language file")

written = set()
policies = admx.findall(".//p:policies/p:policy", NS)
if not policies:
    failures.append("the template defines no policy")
for policy in policies:
    name = policy.get("name")
    if policy.get("key") != policy_key:
        failures.append(f"{name} writes under {policy.get('key')}, not {policy_key}")
    values = []  # (value name, texts written)
    if policy.get("valueName"):
        texts = [v.get("value") if v.tag.endswith("decimal") else v.text
                 for tag in ("enabledValue", "disabledValue")
                 for v in policy.findall(f"p:{tag}/*", NS)]
        values.append((policy.get("valueName"), texts))
    element_ids = set()
    for element in policy.findall("p:elements/*", NS):
        element_ids.add(element.get("id"))
        texts = [v.get("value") if v.tag.endswith("decimal") else v.text
                 for v in element.findall("p:item/p:value/*", NS)]
        values.append((element.get("valueName"), texts))
        if element.get("valueName") == "OftenIndex":
            if sorted(int(t) for t in texts) != list(range(1, intervals + 1)):
                failures.append(f"{name} offers positions {texts}, the window has 1 to {intervals}")
    for value_name, texts in values:
        written.add(value_name)
        if value_name not in keys:
            failures.append(f"{name} writes '{value_name}', which the program does not read")
        if value_name in on_off_keys and not set(texts) <= {on, off}:
            failures.append(f"{name} writes {texts} to '{value_name}', which reads {on} or {off}")
    reference = policy.get("presentation")
    if element_ids:
        shown = re.fullmatch(r"\$\(presentation\.([^)]+)\)", reference or "")
        if not shown or shown.group(1) not in presentations:
            failures.append(f"{name} has no presentation in the language file")
        else:
            ref_ids = {c.get("refId") for c in presentations[shown.group(1)]}
            if ref_ids != element_ids:
                failures.append(f"{name} shows {sorted(ref_ids)} of {sorted(element_ids)}")

# What an administrator is expected to be able to set.
for wanted in ("Path", "OftenIndex", "Keep Copies", "Thin Copies", "Windows Startup",
               "StartStopState"):
    if wanted not in written:
        failures.append(f"no policy sets '{wanted}'")

for failure in failures:
    print(f"policy templates: {failure}", file=sys.stderr)
if failures:
    sys.exit(1)
print(f"policy templates: {len(policies)} policies, every value one the program reads")
