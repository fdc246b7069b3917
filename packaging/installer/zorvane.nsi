; The Zorvane installer, built with makensis on any system:
;   makensis -DPROGRAM=<zorvane.exe> -DHELPFILE=<Zorvane.chm> -DOUTDIR=<folder>
;            [-DARCH=x64] zorvane.nsi
; ARCH x86 (the default) ships the 32-bit program; x64 the 64-bit one (the
; installer is then a 64-bit program too). The version comes from the
; program's own version resource.
;
; Per-machine (Program Files, the machine's Start menu and uninstall list)
; when run by an administrator, per-user otherwise; /AllUsers and
; /CurrentUser choose. /S installs silently; /D=<folder> names the folder.
; The uninstaller removes what the installer wrote and the registrations the
; program makes at start (its link types and the shortcut file type), when
; they name this copy; the user's settings and bookmarks only when asked
; (the "Settings" part of the uninstaller, or /RemoveSettings with /S).

Unicode true
ManifestDPIAware true
ManifestSupportedOS all

!ifndef ARCH
  !define ARCH x86
!endif
!if "${ARCH}" == "x64"
  Target amd64-unicode
  !define ARCH_SUFFIX "-x64"
!else if "${ARCH}" == "x86"
  Target x86-unicode
  !define ARCH_SUFFIX "-x86"
!else
  !error "ARCH must be x86 or x64"
!endif
!ifndef PROGRAM
  !error "PROGRAM must name the zorvane.exe to ship"
!endif
!ifndef HELPFILE
  !error "HELPFILE must name the Zorvane.chm to ship"
!endif
!ifndef OUTDIR
  !define OUTDIR "."
!endif

!getdllversion "${PROGRAM}" ZV_
!define VERSION "${ZV_1}.${ZV_2}.${ZV_3}.${ZV_4}"
!define PRODUCT "Zorvane"
!define PUBLISHER "Quenmar"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Zorvane"
; Where the program keeps the user's settings, and its bookmarks.
!define SETTINGS_KEY "Software\Quenmar\Zorvane"
!define BOOKMARKS_KEY "Software\Quenmar Consulting\Zorvane"

Name "${PRODUCT}"
OutFile "${OUTDIR}/zorvane-setup-${VERSION}${ARCH_SUFFIX}.exe"
RequestExecutionLevel highest
SetCompressor /SOLID lzma
BrandingText "${PRODUCT} ${VERSION}"
VIProductVersion "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} ${VERSION} Setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (C) ${PUBLISHER}"

!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"
!include "x64.nsh"

; 1 for a per-machine installation, 0 for a per-user one.
Var PerMachine

!define MUI_ICON "${NSISDIR}\Contrib\Graphics\Icons\modern-install.ico"
!define MUI_UNICON "${NSISDIR}\Contrib\Graphics\Icons\modern-uninstall.ico"
!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_LICENSE "License.txt"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\zorvane.exe"
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

!macro UseRegistryView
  !if "${ARCH}" == "x64"
    SetRegView 64
  !else
    SetRegView 32
  !endif
!macroend

; Chooses per-machine or per-user from the switches and the user's rights,
; and the folders and registry root that go with it.
!macro ChooseInstallMode UN
  StrCpy $PerMachine 0
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 == "Admin"
    StrCpy $PerMachine 1
  ${EndIf}
  ${GetParameters} $1
  ClearErrors
  ${GetOptions} $1 "/CurrentUser" $2
  ${IfNot} ${Errors}
    StrCpy $PerMachine 0
  ${EndIf}
  ClearErrors
  ${GetOptions} $1 "/AllUsers" $2
  ${IfNot} ${Errors}
    ${If} $0 != "Admin"
      MessageBox MB_ICONSTOP "Installing for all users needs administrator rights." /SD IDOK
      SetErrorLevel 740
      Quit
    ${EndIf}
    StrCpy $PerMachine 1
  ${EndIf}
  ${If} $PerMachine == 1
    SetShellVarContext all
  ${Else}
    SetShellVarContext current
  ${EndIf}
!macroend

Function .onInit
  !insertmacro UseRegistryView
  !insertmacro ChooseInstallMode ""
  ; /D= has set the folder already.
  ${If} $INSTDIR == ""
    ${If} $PerMachine == 1
      !if "${ARCH}" == "x64"
        StrCpy $INSTDIR "$PROGRAMFILES64\${PRODUCT}"
      !else
        StrCpy $INSTDIR "$PROGRAMFILES\${PRODUCT}"
      !endif
    ${Else}
      StrCpy $INSTDIR "$LOCALAPPDATA\Programs\${PRODUCT}"
    ${EndIf}
  ${EndIf}
FunctionEnd

Section "Zorvane" SecProgram
  SectionIn RO
  SetOutPath "$INSTDIR"
  File "/oname=zorvane.exe" "${PROGRAM}"
  File "/oname=Zorvane.chm" "${HELPFILE}"
  File "License.txt"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\zorvane.exe" "" "$INSTDIR\zorvane.exe" 0 \
      SW_SHOWNORMAL "" "Browse and edit the registry"

  ${If} $PerMachine == 1
    StrCpy $3 "/AllUsers"
  ${Else}
    StrCpy $3 "/CurrentUser"
  ${EndIf}
  ${GetSize} "$INSTDIR" "/S=0K" $4 $5 $6
  IntFmt $4 "0x%08X" $4
  !macro WriteUninstallEntry ROOT
    WriteRegStr ${ROOT} "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr ${ROOT} "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr ${ROOT} "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr ${ROOT} "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\zorvane.exe"
    WriteRegStr ${ROOT} "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr ${ROOT} "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe" $3'
    WriteRegStr ${ROOT} "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" $3 /S'
    WriteRegDWORD ${ROOT} "${UNINSTALL_KEY}" "EstimatedSize" $4
    WriteRegDWORD ${ROOT} "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD ${ROOT} "${UNINSTALL_KEY}" "NoRepair" 1
  !macroend
  ; The link types and the shortcut file type name the installed copy: the
  ; program itself registers only what is missing or names a program that is
  ; gone. reg: links another program has are left to it.
  !macro WriteLinkType ROOT NAME
    WriteRegStr ${ROOT} "Software\Classes\${NAME}" "" "Registry Shortcut"
    WriteRegStr ${ROOT} "Software\Classes\${NAME}" "URL Protocol" ""
    WriteRegStr ${ROOT} "Software\Classes\${NAME}" "IsShortcut" ""
    WriteRegStr ${ROOT} "Software\Classes\${NAME}" "NeverShowExt" ""
    WriteRegStr ${ROOT} "Software\Classes\${NAME}\DefaultIcon" "" "$INSTDIR\zorvane.exe"
    WriteRegStr ${ROOT} "Software\Classes\${NAME}\shell\open\command" "" '"$INSTDIR\zorvane.exe" "%1"'
  !macroend
  !macro WriteRegistrations ROOT
    !insertmacro WriteLinkType ${ROOT} "zorvane"
    WriteRegStr ${ROOT} "Software\Classes\.s2r" "" "zorvane"
    ReadRegStr $0 HKCR "reg\shell\open\command" ""
    ${If} $0 == ""
      !insertmacro WriteLinkType ${ROOT} "reg"
    ${EndIf}
  !macroend
  ${If} $PerMachine == 1
    !insertmacro WriteUninstallEntry HKLM
    !insertmacro WriteRegistrations HKLM
  ${Else}
    !insertmacro WriteUninstallEntry HKCU
    !insertmacro WriteRegistrations HKCU
  ${EndIf}
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
SectionEnd

; --- Uninstaller --------------------------------------------------------------

; Removes a registration the program made under root\Software\Classes, when
; its command names this copy of the program.
!macro RemoveLinkType ROOT NAME
  ReadRegStr $0 ${ROOT} "Software\Classes\${NAME}\shell\open\command" ""
  ${If} $0 == '"$INSTDIR\zorvane.exe" "%1"'
    DeleteRegKey ${ROOT} "Software\Classes\${NAME}"
  ${EndIf}
!macroend
!macro RemoveRegistrations ROOT
  ; The shortcut file type names the "zorvane" link type: both go together.
  ReadRegStr $0 ${ROOT} "Software\Classes\zorvane\shell\open\command" ""
  ReadRegStr $1 ${ROOT} "Software\Classes\.s2r" ""
  ${If} $0 == '"$INSTDIR\zorvane.exe" "%1"'
  ${AndIf} $1 == "zorvane"
    DeleteRegKey ${ROOT} "Software\Classes\.s2r"
  ${EndIf}
  !insertmacro RemoveLinkType ${ROOT} "zorvane"
  !insertmacro RemoveLinkType ${ROOT} "reg"
!macroend

Section "un.Zorvane" SecUnProgram
  SectionIn RO
  Delete "$INSTDIR\zorvane.exe"
  Delete "$INSTDIR\Zorvane.chm"
  Delete "$INSTDIR\License.txt"
  Delete "$INSTDIR\uninstall.exe"
  ; Only when empty: a file someone else put there stays.
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  ; The installer registered per machine or per user; the program, started
  ; where nothing was registered, where the classes of the running user go.
  !insertmacro RemoveRegistrations HKCU
  ${If} $PerMachine == 1
    !insertmacro RemoveRegistrations HKLM
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
  ${Else}
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
  ${EndIf}
SectionEnd

Section /o "un.Settings and bookmarks" SecSettings
  DeleteRegKey HKCU "${SETTINGS_KEY}"
  DeleteRegKey /ifempty HKCU "Software\Quenmar"
  DeleteRegKey HKCU "${BOOKMARKS_KEY}"
  DeleteRegKey /ifempty HKCU "Software\Quenmar Consulting"
SectionEnd

; After the sections: it selects one by its index.
Function un.onInit
  !insertmacro UseRegistryView
  !insertmacro ChooseInstallMode "un."
  ${GetParameters} $1
  ClearErrors
  ${GetOptions} $1 "/RemoveSettings" $2
  ${IfNot} ${Errors}
    SectionSetFlags ${SecSettings} ${SF_SELECTED}
  ${EndIf}
FunctionEnd

!insertmacro MUI_UNFUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecUnProgram} "The program, its help file, its Start menu entry and the link types it registered."
  !insertmacro MUI_DESCRIPTION_TEXT ${SecSettings} "Your settings (window layout, options, history) and your bookmarks."
!insertmacro MUI_UNFUNCTION_DESCRIPTION_END
