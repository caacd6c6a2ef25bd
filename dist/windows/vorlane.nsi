; The Windows installer: both programs, the manual and the licence under Program Files, a
; Start-menu entry, and an uninstaller in "Apps & features". scripts/package-windows.sh drives it:
;   makensis -DVERSION=1.2.3 -DARCH=i686|x86_64 -DSTAGE=<folder with the four files>
;            -DSOURCE=<source tree> -DOUTFILE=<installer> dist/windows/vorlane.nsi
; Silent: setup.exe /S [/D=FOLDER]; an installed Vorlane is upgraded where it is, whatever /D says.
Unicode true
SetCompressor /SOLID lzma
RequestExecutionLevel admin  ; Program Files, HKLM and the all-users Start menu

!include MUI2.nsh
!include FileFunc.nsh
!include LogicLib.nsh
!include x64.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Vorlane"

Name "Vorlane"
OutFile "${OUTFILE}"
!if "${ARCH}" == "x86_64"
  InstallDir "$PROGRAMFILES64\Vorlane"
!else
  InstallDir "$PROGRAMFILES\Vorlane"
!endif

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=0 ProductName "Vorlane"
VIAddVersionKey /LANG=0 CompanyName "Vorlane"
VIAddVersionKey /LANG=0 FileDescription "Vorlane ${VERSION} setup (${ARCH})"
VIAddVersionKey /LANG=0 FileVersion "${VERSION}"
VIAddVersionKey /LANG=0 ProductVersion "${VERSION}"
VIAddVersionKey /LANG=0 LegalCopyright "2026 Vorlane. All rights reserved."

!define MUI_ICON "${SOURCE}\assets\icon.ico"
!define MUI_UNICON "${SOURCE}\assets\icon.ico"
!define MUI_PAGE_CUSTOMFUNCTION_PRE SkipFolderWhenInstalled
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "SimpChinese"

; The 64-bit programs register in the 64-bit registry, where 64-bit Windows lists them.
!macro UseArchRegistry
  !if "${ARCH}" == "x86_64"
    SetRegView 64
  !endif
!macroend

Var Installed  ; the folder of the Vorlane already installed, or empty

Function .onInit
  !if "${ARCH}" == "x86_64"
    ${IfNot} ${RunningX64}
      MessageBox MB_ICONSTOP "This is the 64-bit Vorlane. On 32-bit Windows, install the i686 setup."
      Abort
    ${EndIf}
  !endif
  !insertmacro UseArchRegistry
  ; One uninstall entry names one folder: a newer version goes over the files it names.
  ReadRegStr $Installed HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $Installed != ""
    StrCpy $INSTDIR $Installed
  ${EndIf}
FunctionEnd

Function SkipFolderWhenInstalled
  ${If} $Installed != ""
    Abort
  ${EndIf}
FunctionEnd

Section "Vorlane"
  SetOutPath "$INSTDIR"
  SetOverwrite on
  File "${STAGE}\vorlane.exe"
  File "${STAGE}\vorlane-cli.exe"
  File "${STAGE}\README.txt"
  File "${STAGE}\LICENSE.txt"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  SetShellVarContext all
  CreateShortcut "$SMPROGRAMS\Vorlane.lnk" "$INSTDIR\vorlane.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Vorlane"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Vorlane"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\vorlane.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Function un.onInit
  !insertmacro UseArchRegistry
FunctionEnd

; Only what the installer put there: a folder the user added files to stays, with those files.
Section "Uninstall"
  Delete "$INSTDIR\vorlane.exe"
  Delete "$INSTDIR\vorlane-cli.exe"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  SetShellVarContext all
  Delete "$SMPROGRAMS\Vorlane.lnk"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
