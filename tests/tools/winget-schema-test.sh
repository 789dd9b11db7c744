#!/usr/bin/env bash
# stp manifest's winget manifest against winget's schemas (1.12.0) and the community
# repository's layout: builds an installer of a product with Unattended = yes, both text
# sets (two uninstall entries) and names that need YAML's quoting (blanks, dots, a colon,
# quotes, #, Chinese), writes its manifest and validates it; then shows that the validator
# refuses an http:// address and a file out of its folder.
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
home='https://hollin.example/karvel?lang=en#"home"'
copyright='© 2024 "Hollin" Works: all rights #reserved'

ini="$work/product/product.ini"
sed -i -E '/^(DisplayNameEnglish|DisplayNameChinese|TextMode|WebHome|CopyrightMaker) /d' "$ini"
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
WebHome = $home
CopyrightMaker = $copyright
EOF

"$stp" build "$work/product" -o "$work/setup.exe" --stub "$work/stub.exe" --uninstaller-stub "$work/stub.exe"
SOURCE_DATE_EPOCH=1709164800 "$stp" manifest "$work/product" "$work/setup.exe" --url "$url" -o "$work/manifest"
find "$work/manifest" -type f

python3 "$here/validate-winget.py" "$here/winget-schema" "$work/manifest" \
  "installer:AppsAndFeaturesEntries.0.DisplayName=$chinese" \
  "installer:AppsAndFeaturesEntries.0.Publisher=$publisher_chinese" \
  "installer:AppsAndFeaturesEntries.1.DisplayName=$english" \
  "installer:AppsAndFeaturesEntries.1.Publisher=$publisher" \
  "installer:AppsAndFeaturesEntries.1.ProductCode=$english" \
  "installer:AppsAndFeaturesEntries.0.DisplayVersion" \
  "installer:AppsAndFeaturesEntries.1.DisplayVersion" \
  "installer:Installers.0.ProductCode=$english" \
  "installer:InstallationMetadata.DefaultInstallLocation=%ProgramFiles%\Orvane Soft\Karvel" \
  "installer:UpgradeBehavior=install" \
  "installer:ReleaseDate=2024-02-29" \
  "installer:Installers.0.InstallerUrl=$url" \
  "installer:Installers.0.InstallerSha256=$(sha256sum "$work/setup.exe" | cut -c1-64 | tr a-f A-F)" \
  "installer:ElevationRequirement=elevatesSelf" \
  "defaultLocale:PackageName=$english" \
  "defaultLocale:Publisher=$publisher" \
  "defaultLocale:License=$licence" \
  "defaultLocale:ShortDescription=$description" \
  "defaultLocale:PublisherUrl=$home" \
  "defaultLocale:Copyright=$copyright" \
  "version:PackageIdentifier=HollinWorksLtd.KarvelProEdition#2v3x" \
  "version:PackageVersion=3.40"

# The validator is no formality: an http:// address, and a file outside the version's
# folder, each fail it.
version_dir=$(dirname "$(find "$work/manifest" -name '*.installer.yaml')")
version_dir=${version_dir#"$work/manifest/"}
refused() {
  if python3 "$here/validate-winget.py" "$here/winget-schema" "$1" >"$work/refused.txt"; then
    echo "validate-winget took $2"
    exit 1
  fi
  grep -qF "$3" "$work/refused.txt" || { cat "$work/refused.txt"; echo "validate-winget did not say: $3"; exit 1; }
}
cp -r "$work/manifest" "$work/http"
sed -i 's|InstallerUrl: "https://|InstallerUrl: "http://|' "$work/http/$version_dir"/*.installer.yaml
refused "$work/http" "an http:// installer address" "no https:// address"
cp -r "$work/manifest" "$work/moved"
mv "$work/moved/$version_dir"/*.locale.en-US.yaml "$work/moved/manifests/"
refused "$work/moved" "a file outside its folder" "not in $version_dir"
echo "winget-schema-test: passed"
