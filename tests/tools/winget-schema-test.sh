#!/usr/bin/env bash
# stp manifest's winget manifest against winget's schemas: builds an installer of a product
# with Unattended = yes, both text sets (two uninstall entries) and names that need YAML's
# quoting (blanks, dots, a colon, quotes, #, Chinese), writes its manifest and validates it.
# Usage: winget-schema-test.sh STP STUB_MAKER SOURCE_DIR WORK_DIR
set -euo pipefail
stp=$1 stub_maker=$2 source=$3 work=$4
here=$(cd "$(dirname "$0")" && pwd)

rm -rf "$work"
mkdir -p "$work"
cp -r "$source/examples/karvel" "$work/product"
rm -rf "$work/product/src"
printf 'MZ the program' >"$work/product/Karvel.exe"
"$stub_maker" "$work/stub.exe"

english='Karvel: "Pro" Edition #2 v3.x'
chinese='卡维尔 画图.专业版'
publisher='Hollin Works Ltd.'
publisher_chinese='霍林 软件'
description="A paint program: layers, #tags & 'quotes'"
licence="Hollin's licence"
url='https://downloads.example/karvel/Karvel-3.40-setup.exe?from=winget#top'

ini="$work/product/product.ini"
sed -i -E '/^(DisplayNameEnglish|DisplayNameChinese|TextMode) /d' "$ini"
cat >>"$ini" <<EOF
DisplayNameEnglish = $english
DisplayNameChinese = $chinese
TextMode = auto
PublisherEnglish = $publisher
PublisherChinese = $publisher_chinese
UninstallEntry = full
Unattended = yes
LicenseName = $licence
Description = $description
EOF

"$stp" build "$work/product" -o "$work/setup.exe" --stub "$work/stub.exe" --uninstaller-stub "$work/stub.exe"
"$stp" manifest "$work/product" "$work/setup.exe" --url "$url" -o "$work/manifest"
ls -l "$work/manifest"

python3 "$here/validate-winget.py" "$here/winget-schema" "$work/manifest" \
  "installer:AppsAndFeaturesEntries.0.DisplayName=$chinese" \
  "installer:AppsAndFeaturesEntries.0.Publisher=$publisher_chinese" \
  "installer:AppsAndFeaturesEntries.1.DisplayName=$english" \
  "installer:AppsAndFeaturesEntries.1.Publisher=$publisher" \
  "installer:AppsAndFeaturesEntries.1.ProductCode=$english" \
  "installer:Installers.0.InstallerUrl=$url" \
  "installer:Installers.0.InstallerSha256=$(sha256sum "$work/setup.exe" | cut -c1-64 | tr a-f A-F)" \
  "installer:ElevationRequirement=elevatesSelf" \
  "defaultLocale:PackageName=$english" \
  "defaultLocale:Publisher=$publisher" \
  "defaultLocale:License=$licence" \
  "defaultLocale:ShortDescription=$description" \
  "version:PackageIdentifier=HollinWorksLtd.KarvelProEdition#2v3x" \
  "version:PackageVersion=3.40"
