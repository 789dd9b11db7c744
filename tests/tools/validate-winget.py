#!/usr/bin/env python3
"""Checks a winget manifest stp manifest wrote against winget's published schemas and
the community repository's rules.

validate-winget.py SCHEMA_DIR OUTPUT_DIR [TYPE:PATH=VALUE | TYPE:PATH ...]

OUTPUT_DIR is the folder stp manifest's -o named. Every file below it must be a YAML file
of the one folder manifests/<letter>/<part>/.../<PackageVersion>/ the community
repository keeps the package version in (<letter> the identifier's first character in
lower case, a folder for each part of the identifier). Each file is validated against the
schema of its ManifestType, of version 1.12.0, with the validator of the draft the schema
declares and with Draft 2020-12 where jsonschema has it, formats (dates) checked. The
three files must be there once each, named after their PackageIdentifier, agree on it and
on PackageVersion, give ManifestVersion 1.12.0, and every address (a key ending in Url)
must be https://. Each TYPE:PATH=VALUE then names a value the file of that type must hold
as YAML reads it back (PATH: keys and list indices joined by dots), which shows that the
quoting kept the text; a TYPE:PATH without a value names one it must not hold.
"""
import json
import pathlib
import sys

import jsonschema
import yaml

SCHEMA_VERSION = "1.12.0"
SUFFIXES = {"version": ".yaml", "installer": ".installer.yaml", "defaultLocale": ".locale.en-US.yaml"}


def validators(schema):
    found = [jsonschema.validators.validator_for(schema)]
    newest = getattr(jsonschema, "Draft202012Validator", None)
    if newest and newest not in found:
        found.append(newest)
    return found


def schema_errors(name, document, schema):
    errors = []
    for validator in validators(schema):
        for error in validator(schema, format_checker=jsonschema.FormatChecker()).iter_errors(document):
            where = "/".join(str(p) for p in error.absolute_path) or "(top)"
            errors.append(f"{name}: {validator.__name__}: {where}: {error.message}")
    return errors


def insecure_urls(document, where=""):
    if isinstance(document, dict):
        for key, value in document.items():
            path = f"{where}.{key}" if where else str(key)
            if str(key).endswith("Url") and not str(value).lower().startswith("https://"):
                yield f"{path} is {value!r}, no https:// address"
            yield from insecure_urls(value, path)
    elif isinstance(document, list):
        for index, value in enumerate(document):
            yield from insecure_urls(value, f"{where}.{index}")


def layout_errors(output_dir, documents):
    version = documents.get("version", {})
    identifier, package_version = str(version.get("PackageIdentifier")), str(version.get("PackageVersion"))
    folder = output_dir.joinpath("manifests", identifier[0].lower(), *identifier.split("."), package_version)
    return [f"{file.relative_to(output_dir)}: not in {folder.relative_to(output_dir)}"
            for file in sorted(output_dir.rglob("*")) if file.is_file() and file.parent != folder]


def value_at(document, path):
    for step in path.split("."):
        document = document[int(step)] if isinstance(document, list) else document[step]
    return document


def main(argv):
    if len(argv) < 3:
        sys.exit(__doc__)
    schema_dir, output_dir = pathlib.Path(argv[1]), pathlib.Path(argv[2])
    errors, documents = [], {}
    for file in sorted(output_dir.rglob("*.yaml")):
        document = yaml.safe_load(file.read_text(encoding="utf-8"))
        kind = document.get("ManifestType") if isinstance(document, dict) else None
        if kind not in SUFFIXES or kind in documents:
            errors.append(f"{file.name}: ManifestType {kind!r} is not one of {sorted(SUFFIXES)} once each")
            continue
        documents[kind] = document
        schema = json.loads((schema_dir / f"manifest.{kind}.{SCHEMA_VERSION}.json").read_text(encoding="utf-8"))
        errors += schema_errors(file.name, document, schema)
        errors += [f"{file.name}: {problem}" for problem in insecure_urls(document)]
        if document.get("ManifestVersion") != SCHEMA_VERSION:
            errors.append(f"{file.name}: ManifestVersion {document.get('ManifestVersion')!r}, not {SCHEMA_VERSION}")
        if file.name != str(document.get("PackageIdentifier")) + SUFFIXES[kind]:
            errors.append(f"{file.name}: not named after its PackageIdentifier")
    errors += [f"no {kind} file" for kind in SUFFIXES if kind not in documents]
    if "version" in documents:
        errors += layout_errors(output_dir, documents)
    for key in ("PackageIdentifier", "PackageVersion"):
        if len({str(d.get(key)) for d in documents.values()}) > 1:
            errors.append(f"the files give different {key}s")
    for check in argv[3:]:
        target, has_value, expected = check.partition("=")
        kind, path = target.split(":", 1)
        try:
            actual = value_at(documents[kind], path)
        except (KeyError, IndexError, TypeError):
            actual = None
        if has_value and actual != expected:
            errors.append(f"{kind}:{path} is {actual!r}, expected {expected!r}")
        if not has_value and actual is not None:
            errors.append(f"{kind}:{path} is {actual!r}, expected none")
    for error in errors:
        print(error)
    print(f"validate-winget: {len(documents)} files, {len(errors)} problems")
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
