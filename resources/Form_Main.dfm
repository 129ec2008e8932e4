object Form_Main: TForm_Main
  Left = 193
  Top = 106
  Width = 1024
  Height = 768
  Caption = '岚栎在线订单管理系统'
  Color = clBtnFace
  Constraints.MinHeight = 768
  Constraints.MinWidth = 1024
  Font.Charset = GB2312_CHARSET
  Font.Color = clWindowText
  Font.Height = -13
  Font.Name = '宋体'
  Font.Style = []
  FormStyle = fsMDIForm
  WindowState = wsMaximized
  OnCloseQuery = FormCloseQuery
  OnCreate = FormCreate
  PixelsPerInch = 96
  TextHeight = 13
  object StatusBar_Main: TStatusBar
    Left = 0
    Top = 716
    Width = 1016
    Height = 25
    Font.Charset = DEFAULT_CHARSET
    Font.Color = clBlack
    Font.Height = -13
    Font.Name = '宋体'
    Font.Style = []
    Panels = <
      item
        Alignment = taLeftJustify
        Width = 0
      end
      item
        Alignment = taCenter
        Text = '岚栎软件'
        Width = 100
      end
      item
        Alignment = taCenter
        Text = 'http://www.lanli.cn'
        Width = 200
      end
      item
        Alignment = taCenter
        Text = 'E_Mail：sales@lanli.cn　QQ：6180218、6180219'
        Width = 350
      end
      item
        Alignment = taLeftJustify
        Width = 50
      end>
    ParentFont = False
  end
  object WebBrowser: TEmbeddedBrowser
    Left = 0
    Top = 0
    Width = 1016
    Height = 716
    Align = alClient
    TabOrder = 1
    ControlData = {
      9C00000002690000004A00000000000000000000000000000000000000000000
      0000000000000000000000000000000000000000000000000000000000000000
      0000000000000000000000000000000000000000000000000000000000000000
      0000000000000000000000000000000000000000000000000000000000000000
      00000000000000000000000000000000000000000000000000000000}
    DownloadOptions = [DLCTL_DLIMAGES, DLCTL_VIDEOS, DLCTL_BGSOUNDS]
    UserInterfaceOptions = [FLAT_SCROLLBAR]
    PrintOptions.Margins.Left = 19.050000000000000000
    PrintOptions.Margins.Right = 19.050000000000000000
    PrintOptions.Margins.Top = 19.050000000000000000
    PrintOptions.Margins.Bottom = 19.050000000000000000
    PrintOptions.Header = '&w&b页码，&p/&P'
    PrintOptions.HTMLHeader.Strings = (
      '<HTML></HTML>')
    PrintOptions.Footer = '&u&b&d'
    PrintOptions.Orientation = poPortrait
    ReplaceCaption = True
    HideBorders = False
    HideScrollBars = False
    DisableRightClickMenu = False
    EnableDDE = False
    fpExceptions = True
  end
  object SkinData_Main: TSkinData
    Active = True
    DisableTag = 99
    SkinControls = [xcMainMenu, xcPopupMenu, xcToolbar, xcControlbar, xcProgress, xcButton, xcBitBtn, xcSpeedButton, xcPanel, xcGroupBox, xcTab]
    Options = []
    Skin3rd.Strings = (
      'TComboboxex=combobox'
      'TcxDBLookupComboBox=combobox'
      'TcxDBComboBox=combobox'
      'TcxDBDateEdit=combobox'
      'TcxDBImageComboBox=combobox'
      'TcxDBCalcEdit=combobox'
      'TcxDBBlobEdit=combobox'
      'TcxDBPopupEdit=combobox'
      'TcxDBFontNameComboBox=combobox'
      'TcxDBShellComboBox=combobox'
      'TRxLookupEdit=combobox'
      'TRxDBLookupCombo=combobox'
      'TWgDateTimeEdit=combobox'
      'TWgColorEdit=combobox'
      'TWgDateTimePicker=combobox'
      'TWgDBDateTimeEdit=combobox'
      'TWgDbColorEdit=combobox'
      'TWgDBDateTimePicker=combobox'
      'TLMDListCombobox=combobox'
      'TLMDCheckListCombobox=combobox'
      'TLMDHeaderListCombobox=combobox'
      'TLMDImageCombobox=combobox'
      'TLMDColorCombobox=combobox'
      'TLMDFontCombobox=combobox'
      'TLMDFontSizeCombobox=combobox'
      'TLMDFontSizeCombobox=combobox'
      'TLMDPrinterCombobox=combobox'
      'TLMDDriveCombobox=combobox'
      'TLMDCalculatorComboBox=combobox'
      'TLMDTrackBarComboBox=combobox'
      'TLMDCalendarComboBox=combobox'
      'TLMDTreeComboBox=combobox'
      'TDBLookupCombobox=Combobox'
      'TWWDBCombobox=Combobox'
      'TWWDBCombobox=Combobox'
      'TWWDBLookupCombo=combobox'
      'TWWKeyCombo=combobox'
      'TWWDBDateTimePicker=Combobox'
      'TWWTempKeyCombo=combobox'
      'TWgButtonEdit=Edit'
      'TLMDCalculatorEdit=edit'
      'TLMDEDIT=Edit'
      'TLMDMASKEDIT=Edit'
      'TLMDBROWSEEDIT=Edit'
      'TLMDEXTSPINEDIT=Edit'
      'TLMDCALENDAREDIT=Edit'
      'TLMDFILEOPENEDIT=Edit'
      'TLMDFILESAVEEDIT=Edit'
      'TLMDCOLOREDIT=Edit'
      'TLMDDBEDIT=Edit'
      'TLMDDBMASKEDIT=Edit'
      'TLMDDBEXTSPINEDIT=Edit'
      'TLMDDBSPINEDIT=Edit'
      'TLMDDBEDITDBLookup=Edit'
      'TLMDEDITDBLookup=Edit'
      'TWWDBEDIT=Edit'
      'TOVCPICTUREFIELD=Edit'
      'TOVCDBPICTUREFIELD=Edit'
      'TOVCSLIDEREDIT=Edit'
      'TOVCDBSLIDEREDIT=Edit'
      'TOVCSIMPLEFIELD=Edit'
      'TOVCDBSIMPLEFIELD=Edit'
      'TO32DBFLEXEDIT=Edit'
      'TOVCNUMERICFIELD=Edit'
      'TOVCDBNUMERICFIELD=Edit'
      'TControlBar=Panel'
      'TTBDock=Panel'
      'TTBToolbar=Panel'
      'TLMDCalculator=panel'
      'TLMDGROUPBOX=Panel'
      'TLMDSIMPLEPANEL=Panel'
      'TLMDDBCalendar=Panel'
      'TLMDButtonPanel=Panel'
      'TLMDLMDCalculator=Panel'
      'TLMDHeaderPanel=Panel'
      'TLMDTechnicalLine=Panel'
      'TLMDLMDClock=Panel'
      'TLMDTrackbar=panel'
      'TWgRadioGroup=Radiogroup'
      'TWgDBRadioGroup=Radiogroup'
      'TLMDRADIOGROUP=radiogroup'
      'TLMDDBRADIOGROUP=radiogroup'
      'TWWRADIOGROUP=radiogroup'
      'TcxDBRadioGroup=radiogroup'
      'TcxRadioGroup=radiogroup'
      'TWgCheckBox=Checkbox'
      'TDBCheckboxEh=Checkbox'
      'TDBCheckboxEh=Checkbox'
      'TLMDCHECKBOX=Checkbox'
      'TLMDDBCHECKBOX=Checkbox'
      'TcxDBCheckBox=checkbox'
      'TcxCheckBox=checkbox'
      'TImageEnMView=scrollbar'
      'TImageEnView=scrollbar'
      'TAdvMemo=scrollbar'
      'TDBAdvMemo=scrollbar'
      'TWgBitbtn=bitbtn'
      'TWgMenuButton=bitbtn'
      'TcxButton=bitbtn'
      'TWgCheckGroup=CheckGroup'
      'TLMDCheckGroup=CheckGroup'
      'TLMDDBCheckGroup=CheckGroup'
      'TWgRadioButton=Radiobutton'
      'TWgDBRadioButton=Radiobutton'
      'TLMDRadiobutton=Radiobutton'
      'TAdvPanelGroup=embedscrollbar'
      'TRxSpeedButton=speedbutton'
      'TAdvPageControl=nil'
      'TWgButton=button'
      'TLMDGroupBox=Groupbox'
      'TPageControl=tab'
      'TTabControl=tab'
      'TGroupBox=groupbox'
      'TRadioGroup=radiogroup'
      'TPanel=panel')
    SkinStore = '(Good)'
    SkinFormtype = sfMainform
    Version = '3.02.03.09'
    MenuUpdate = False
    MenuMerge = False
    // SkinStream, the packed skin of resources/skin, is inserted here by the build (cmake/EmbedSkinStream.cmake).
  end
  object Timer_Main: TTimer
    Interval = 1000
    OnTimer = Timer_MainTimer
  end
end
