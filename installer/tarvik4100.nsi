; Setup of the Tarvik4100 TWAIN data source: installs the source, its resource
; module and help where Data Source Managers look for 32-bit sources, twscan
; into the program files folder, and an uninstaller listed with the system's
; installed programs. Built on Linux with makensis:
;   makensis -DPRODUCT_DIR=<folder with the built files> -DOUTFILE=<setup.exe> tarvik4100.nsi
; -DVERSION=a.b.c.d builds another version (the tests build an older one).

Unicode true
!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include x64.nsh
!include Sections.nsh

!ifndef PRODUCT_DIR
  !error "PRODUCT_DIR must name the folder that holds the built Tarvik4100.ds, Tarvik4100.dll, Tarvik4100.chm and twscan.exe"
!endif
!ifndef VERSION
  !define VERSION 1.2.0.0
!endif
!ifndef OUTFILE
  !define OUTFILE Tarvik4100-setup.exe
!endif

!define PRODUCT "Tarvik4100 TWAIN"
!define PUBLISHER "Tarvik"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tarvik4100"
; Data Source Managers look for 32-bit sources below twain_32 of the Windows
; folder, on 64-bit Windows too. That folder is not System32, so redirection
; never moves it; we never switch redirection off, so nothing lands in a
; 64-bit folder by mistake.
!define SOURCE_DIR "$WINDIR\twain_32\Tarvik4100"
!define APP_DIR "$PROGRAMFILES32\Tarvik4100"
; ERROR_ELEVATION_REQUIRED, the code Windows itself gives for this refusal.
!define EXIT_NEEDS_ADMIN 740

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "${SOURCE_DIR}"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
ShowInstDetails show
ShowUninstDetails show
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion ${VERSION}
VIAddVersionKey ProductName "${PRODUCT}"
VIAddVersionKey ProductVersion "${VERSION}"
VIAddVersionKey FileVersion "${VERSION}"
VIAddVersionKey CompanyName "${PUBLISHER}"
VIAddVersionKey FileDescription "Setup of the ${PRODUCT} data source"
VIAddVersionKey LegalCopyright "${PUBLISHER}"

!define MUI_ABORTWARNING
!define MUI_WELCOMEPAGE_TITLE "Welcome to the setup of the ${PRODUCT} scanner driver"
!define MUI_WELCOMEPAGE_TEXT "This installs version ${VERSION} of the TWAIN data source of the Tarvik4100 scanner. \
Afterwards any TWAIN application (photo editors, document archivers, scan-to-PDF tools) can scan from the \
Tarvik4100 over USB or the network.$\r$\n$\r$\nClose every application that scans before you continue.$\r$\n$\r$\n$_CLICK"
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "license.txt"
!define MUI_PAGE_HEADER_TEXT "Destination"
!define MUI_PAGE_HEADER_SUBTEXT "Where the scanner driver is installed."
!define MUI_DIRECTORYPAGE_TEXT_TOP "TWAIN applications find the driver only in this folder, so it cannot be changed. \
The command-line scanner twscan and the uninstaller go into ${APP_DIR}."
!define MUI_DIRECTORYPAGE_TEXT_DESTINATION "Driver folder"
!define MUI_PAGE_CUSTOMFUNCTION_SHOW FixDirectory
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_TITLE "The ${PRODUCT} driver is installed"
!define MUI_FINISHPAGE_TEXT "Start your scanning application and choose $\"${PRODUCT}$\" as its source (usually under \
File, then Import or Acquire). The driver asks which scanner to use the first time."
!define MUI_FINISHPAGE_SHOWREADME "${SOURCE_DIR}\Tarvik4100.chm"
!define MUI_FINISHPAGE_SHOWREADME_TEXT "Open the help"
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_COMPONENTSPAGE_TEXT_TOP "Your settings and saved scan modes stay for a later install unless you tick the box."
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

!macro RequireAdminBody
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 != "admin"
    MessageBox MB_OK|MB_ICONSTOP "Setting up the ${PRODUCT} driver needs administrator rights, since it writes into \
the Windows folder.$\r$\n$\r$\nStart it again with $\"Run as administrator$\"." /SD IDOK
    SetErrorLevel ${EXIT_NEEDS_ADMIN}
    Quit
  ${EndIf}
!macroend
Function RequireAdmin
  !insertmacro RequireAdminBody
FunctionEnd
Function un.RequireAdmin
  !insertmacro RequireAdminBody
FunctionEnd

; The folder is shown, but neither its field nor Browse can change it.
Function FixDirectory
  FindWindow $0 "#32770" "" $HWNDPARENT
  GetDlgItem $1 $0 1019
  EnableWindow $1 0
  GetDlgItem $1 $0 1001
  EnableWindow $1 0
  ; The field had the focus; without this, Enter would go nowhere.
  GetDlgItem $1 $HWNDPARENT 1
  SendMessage $HWNDPARENT ${WM_NEXTDLGCTL} $1 1
FunctionEnd

; Installs one file. A file that an application holds open (a loaded source)
; cannot be replaced: the user may close that application and retry, or have
; the file replaced at the next restart, which is also what silent mode does.
!macro InstallFile FOLDER NAME
  StrCpy $R1 "${FOLDER}\${NAME}"
  StrCpy $R2 0
  ${Do}
    ${IfNot} ${FileExists} $R1
      ${Break}
    ${EndIf}
    ClearErrors
    FileOpen $0 $R1 a
    ${IfNot} ${Errors}
      FileClose $0
      ${Break}
    ${EndIf}
    ${IfNot} ${Cmd} `MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$R1 is in use by an application.$\r$\n$\r$\nClose every application that scans and press Retry, or press Cancel to replace the file when Windows restarts." /SD IDCANCEL IDRETRY`
      StrCpy $R2 1
      ${Break}
    ${EndIf}
  ${Loop}
  ${If} $R2 = 1
    DetailPrint "$R1 is in use: it is replaced when Windows restarts."
    File "/oname=$R1.new" "${PRODUCT_DIR}\${NAME}"
    Rename /REBOOTOK "$R1.new" $R1
  ${Else}
    File "/oname=$R1" "${PRODUCT_DIR}\${NAME}"
  ${EndIf}
!macroend

Section "Install"
  SectionIn RO
  ${If} ${RunningX64}
    DetailPrint "64-bit Windows: the driver goes into the 32-bit sources' folder ${SOURCE_DIR}."
  ${EndIf}
  CreateDirectory "${SOURCE_DIR}"
  CreateDirectory "${APP_DIR}"
  SetOutPath "${SOURCE_DIR}"
  !insertmacro InstallFile "${SOURCE_DIR}" Tarvik4100.ds
  !insertmacro InstallFile "${SOURCE_DIR}" Tarvik4100.dll
  !insertmacro InstallFile "${SOURCE_DIR}" Tarvik4100.chm
  SetOutPath "${APP_DIR}"
  !insertmacro InstallFile "${APP_DIR}" twscan.exe
  WriteUninstaller "${APP_DIR}\Uninstall.exe"

  ${GetSize} "${SOURCE_DIR}" "/S=0K" $1 $2 $3
  ${GetSize} "${APP_DIR}" "/S=0K" $4 $2 $3
  IntOp $1 $1 + $4
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "${SOURCE_DIR}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "${APP_DIR}\Uninstall.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" "$\"${APP_DIR}\Uninstall.exe$\""
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" "$\"${APP_DIR}\Uninstall.exe$\" /S"
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "un.Driver and twscan" SecDriver
  SectionIn RO
  Delete /REBOOTOK "${SOURCE_DIR}\Tarvik4100.ds"
  Delete /REBOOTOK "${SOURCE_DIR}\Tarvik4100.dll"
  Delete /REBOOTOK "${SOURCE_DIR}\Tarvik4100.chm"
  RMDir /REBOOTOK "${SOURCE_DIR}"
  Delete /REBOOTOK "${APP_DIR}\twscan.exe"
  Delete /REBOOTOK "${APP_DIR}\Uninstall.exe"
  RMDir /REBOOTOK "${APP_DIR}"
SectionEnd

Section /o "un.Remove my settings and saved scan modes" SecPurge
  Delete "$APPDATA\KTX_TWAIN.ini"
  Delete "$APPDATA\ZOL_MF1DS.ini"
  Delete "$APPDATA\ZOL_MF1DS.raw"
SectionEnd

; Last, so that the entry disappears only when everything else is done.
Section "-un.Program list entry"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd

; After the sections, whose numbers it uses.
Function .onInit
  SetShellVarContext all
  Call RequireAdmin
  ; The folder is fixed: a /D= on the command line does not move it.
  StrCpy $INSTDIR "${SOURCE_DIR}"
FunctionEnd

Function un.onInit
  SetShellVarContext all
  Call un.RequireAdmin
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/PURGE" $R1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${SecPurge}
  ${EndIf}
FunctionEnd
