"""Checks a Windows launcher's resources as Windows reads them: the version
information Explorer and inventories show, and the application manifest,
parsed as XML, since Windows refuses to start a program whose manifest it
cannot read.

    python3 check_resources.py WINDRES PROGRAM VERSION DESCRIPTION COPYRIGHT
"""
import os
import re
import subprocess
import sys
import xml.etree.ElementTree as ElementTree

# What python.exe declares: the releases from Vista to Windows 10 and 11.
SUPPORTED_OS = {
    "{e2011457-1546-43c5-a5fe-008deee3d3f0}",  # Vista
    "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  # 7
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  # 8
    "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  # 8.1
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  # 10 and 11
}
COMPATIBILITY = "{urn:schemas-microsoft-com:compatibility.v1}"
ASM_V3 = "{urn:schemas-microsoft-com:asm.v3}"
SETTINGS_2016 = "{http://schemas.microsoft.com/SMI/2016/WindowsSettings}"


def rc_string(literal):
    """The text of one of windres's string literals: "" is a quote, \\ escapes."""
    body = literal.strip()[1:-1].replace('""', '"')
    return re.sub(r"\\([0-7]{1,3}|.)",
                  lambda m: chr(int(m[1], 8)) if m[1][0].isdigit() else {"n": "\n", "t": "\t", "r": "\r"}.get(m[1], m[1]),
                  body)


def resources(windres, program):
    """The VERSIONINFO strings and the manifest's text, from windres's listing."""
    listing = subprocess.run([windres, "-i", program, "-O", "rc"], capture_output=True, text=True, check=True).stdout
    strings = dict(re.findall(r'VALUE "([^"]+)", "((?:[^"]|"")*)"', listing))
    numbers = re.search(r"FILEVERSION ([0-9, ]+)\n", listing)
    manifest = re.search(r"\n1 24 /\* RT_MANIFEST \*/\nBEGIN\n(.*?)\nEND\n", listing, re.S)
    text = "".join(rc_string(line) for line in manifest[1].splitlines()) if manifest else None
    return strings, numbers[1].replace(" ", "") if numbers else None, text


def main():
    windres, program, version, description, copyright_line = sys.argv[1:]
    name = os.path.basename(program)
    problems = []
    strings, file_version, manifest = resources(windres, program)

    expected = {"FileVersion": version, "ProductVersion": version, "ProductName": "launcher",
                "FileDescription": description, "OriginalFilename": name, "InternalName": name[:-len(".exe")],
                "LegalCopyright": copyright_line}
    for key, value in expected.items():
        if strings.get(key) != value:
            problems.append(f"version information {key}: {strings.get(key)!r}, not {value!r}")
    numbers = ",".join((version.split(".") + ["0"] * 4)[:4])
    if file_version != numbers:
        problems.append(f"FILEVERSION {file_version}, not {numbers}")

    if manifest is None:
        problems.append("no manifest (resource 1 of type 24)")
    else:
        try:
            root = ElementTree.fromstring(manifest.encode("utf-8"))
        except ElementTree.ParseError as error:
            root = None
            problems.append(f"the manifest is no well-formed XML: {error}")
        if root is not None:
            supported = {element.get("Id") for element in root.iter(f"{COMPATIBILITY}supportedOS")}
            if supported != SUPPORTED_OS:
                problems.append(f"supportedOS {sorted(supported)}, not {sorted(SUPPORTED_OS)}")
            long_paths = [element.text for element in root.iter(f"{SETTINGS_2016}longPathAware")]
            if long_paths != ["true"]:
                problems.append(f"longPathAware {long_paths}, not ['true']")
            levels = [element.get("level") for element in root.iter(f"{ASM_V3}requestedExecutionLevel")]
            if levels != ["asInvoker"]:
                problems.append(f"requestedExecutionLevel {levels}, not ['asInvoker']")
            # A code page of the manifest's would change the script's default
            # encodings from those it has under python.exe.
            if any(element.tag.endswith("}activeCodePage") or element.tag == "activeCodePage"
                   for element in root.iter()):
                problems.append("declares an activeCodePage")

    if problems:
        print(f"{program}:", *problems, sep="\n  ")
        return 1
    print(f"{program}: {description!r}, version {version}, manifest for {len(SUPPORTED_OS)} Windows releases, "
          f"long paths, asInvoker")
    return 0


if __name__ == "__main__":
    sys.exit(main())
