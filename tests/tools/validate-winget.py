#!/usr/bin/env python3
"""Checks a winget manifest stp manifest wrote against winget's published schemas.

validate-winget.py SCHEMA_DIR MANIFEST_DIR [TYPE:PATH=VALUE ...]

Each YAML file of MANIFEST_DIR is validated against the schema of its ManifestType, with
the validator of the draft the schema declares and with Draft 2020-12 where jsonschema
has it. The three files must be there once each, named after their PackageIdentifier,
and agree on it and on PackageVersion. Each TYPE:PATH=VALUE then names a value the file
of that type must hold as YAML reads it back (PATH: keys and list indices joined by
dots), which shows that the quoting kept the text.
"""
import json
import pathlib
import sys

import jsonschema
import yaml

SCHEMA_VERSION = "1.6.0"
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
        for error in validator(schema).iter_errors(document):
            where = "/".join(str(p) for p in error.absolute_path) or "(top)"
            errors.append(f"{name}: {validator.__name__}: {where}: {error.message}")
    return errors


def value_at(document, path):
    for step in path.split("."):
        document = document[int(step)] if isinstance(document, list) else document[step]
    return document


def main(argv):
    if len(argv) < 3:
        sys.exit(__doc__)
    schema_dir, manifest_dir = pathlib.Path(argv[1]), pathlib.Path(argv[2])
    errors, documents = [], {}
    for file in sorted(manifest_dir.glob("*.yaml")):
        document = yaml.safe_load(file.read_text(encoding="utf-8"))
        kind = document.get("ManifestType") if isinstance(document, dict) else None
        if kind not in SUFFIXES or kind in documents:
            errors.append(f"{file.name}: ManifestType {kind!r} is not one of {sorted(SUFFIXES)} once each")
            continue
        documents[kind] = document
        schema = json.loads((schema_dir / f"manifest.{kind}.{SCHEMA_VERSION}.json").read_text(encoding="utf-8"))
        errors += schema_errors(file.name, document, schema)
        if file.name != str(document.get("PackageIdentifier")) + SUFFIXES[kind]:
            errors.append(f"{file.name}: not named after its PackageIdentifier")
    errors += [f"no {kind} file" for kind in SUFFIXES if kind not in documents]
    for key in ("PackageIdentifier", "PackageVersion"):
        if len({str(d.get(key)) for d in documents.values()}) > 1:
            errors.append(f"the files give different {key}s")
    for check in argv[3:]:
        target, expected = check.split("=", 1)
        kind, path = target.split(":", 1)
        try:
            actual = value_at(documents[kind], path)
        except (KeyError, IndexError, TypeError):
            actual = "(missing)"
        if actual != expected:
            errors.append(f"{kind}:{path} is {actual!r}, expected {expected!r}")
    for error in errors:
        print(error)
    print(f"validate-winget: {len(documents)} files, {len(errors)} problems")
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
