object Form_Gallery: TForm_Gallery
  Left = 40
  Top = 30
  BorderStyle = bsSizeable
  Caption = '岚栎皮肤画廊 Skin Gallery'
  ClientHeight = 660
  ClientWidth = 980
  Color = clBtnFace
  Font.Charset = GB2312_CHARSET
  Font.Color = clWindowText
  Font.Height = -12
  Font.Name = '宋体'
  Font.Style = []
  Menu = MainMenu_Gallery
  PopupMenu = PopupMenu_Gallery
  ActiveControl = Button_Normal
  Position = poDesigned
  PixelsPerInch = 96
  TextHeight = 12
  object GroupBox_Buttons: TGroupBox
    Left = 8
    Top = 8
    Width = 240
    Height = 190
    Caption = '按钮 Buttons'
    TabOrder = 0
    object Button_Normal: TButton
      Left = 12
      Top = 22
      Width = 105
      Height = 25
      Caption = '普通 &Normal'
      TabOrder = 0
    end
    object Button_Default: TButton
      Left = 124
      Top = 22
      Width = 105
      Height = 25
      Caption = '默认 &Default'
      Default = True
      TabOrder = 1
    end
    object Button_Disabled: TButton
      Left = 12
      Top = 54
      Width = 105
      Height = 25
      Caption = '禁用 Disabled'
      Enabled = False
      TabOrder = 2
    end
    object BitBtn_OK: TBitBtn
      Left = 124
      Top = 54
      Width = 105
      Height = 25
      Caption = '确定 OK'
      Kind = bkOK
      Default = False
      Glyph.Data = {@file:bitmaps/ok_glyph.bmp}
      NumGlyphs = 2
      TabOrder = 3
    end
    object BitBtn_Cancel: TBitBtn
      Left = 12
      Top = 86
      Width = 105
      Height = 25
      Caption = '取消 Cancel'
      Kind = bkCancel
      Glyph.Data = {@file:bitmaps/cancel_glyph.bmp}
      NumGlyphs = 2
      TabOrder = 4
    end
    object BitBtn_Disabled: TBitBtn
      Left = 124
      Top = 86
      Width = 105
      Height = 25
      Caption = '禁用 Off'
      Enabled = False
      Glyph.Data = {@file:bitmaps/ok_glyph.bmp}
      NumGlyphs = 2
      TabOrder = 5
    end
    object SpeedButton_Bold: TSpeedButton
      Left = 12
      Top = 120
      Width = 50
      Height = 25
      Caption = '粗 B'
      GroupIndex = 1
      Down = True
    end
    object SpeedButton_Italic: TSpeedButton
      Left = 66
      Top = 120
      Width = 50
      Height = 25
      Caption = '斜 I'
      GroupIndex = 1
    end
    object SpeedButton_Flat: TSpeedButton
      Left = 120
      Top = 120
      Width = 54
      Height = 25
      Caption = '平 Flat'
      Flat = True
    end
    object SpeedButton_Disabled: TSpeedButton
      Left = 178
      Top = 120
      Width = 52
      Height = 25
      Caption = '禁 Off'
      Enabled = False
    end
    object Button_Skin: TButton
      Left = 12
      Top = 154
      Width = 217
      Height = 25
      Caption = '皮肤开关 &Skin on/off (F2)'
      TabOrder = 6
      OnClick = SkinSwitchClick
    end
  end
  object GroupBox_Checks: TGroupBox
    Left = 8
    Top = 204
    Width = 240
    Height = 156
    Caption = '选择 Check and radio'
    TabOrder = 1
    object CheckBox_Off: TCheckBox
      Left = 12
      Top = 22
      Width = 215
      Height = 18
      Caption = '未选 &Unchecked'
      TabOrder = 0
    end
    object CheckBox_On: TCheckBox
      Left = 12
      Top = 44
      Width = 215
      Height = 18
      Caption = '已选 &Checked'
      Checked = True
      TabOrder = 1
    end
    object CheckBox_Mixed: TCheckBox
      Left = 12
      Top = 66
      Width = 215
      Height = 18
      Caption = '半选 &Mixed'
      AllowGrayed = True
      State = cbGrayed
      TabOrder = 2
    end
    object CheckBox_Disabled: TCheckBox
      Left = 12
      Top = 88
      Width = 215
      Height = 18
      Caption = '禁用 Disabled'
      Checked = True
      Enabled = False
      TabOrder = 3
    end
    object RadioButton_A: TRadioButton
      Left = 12
      Top = 110
      Width = 105
      Height = 18
      Caption = '甲 &A'
      Checked = True
      TabOrder = 4
    end
    object RadioButton_B: TRadioButton
      Left = 124
      Top = 110
      Width = 105
      Height = 18
      Caption = '乙 &B'
      TabOrder = 5
    end
    object RadioButton_Disabled: TRadioButton
      Left = 12
      Top = 130
      Width = 215
      Height = 18
      Caption = '禁用 Disabled'
      Enabled = False
      TabOrder = 6
    end
  end
  object RadioGroup_Size: TRadioGroup
    Left = 8
    Top = 366
    Width = 240
    Height = 96
    Caption = '单选组 Radio group'
    Columns = 3
    Items.Strings = (
      '大 L'
      '中 M'
      '小 S')
    ItemIndex = 1
    TabOrder = 2
  end
  object Panel_Raised: TPanel
    Left = 8
    Top = 470
    Width = 116
    Height = 40
    Caption = '凸起 Raised'
    TabOrder = 3
  end
  object Panel_Lowered: TPanel
    Left = 132
    Top = 470
    Width = 116
    Height = 40
    Caption = '凹陷 Lowered'
    BevelOuter = bvLowered
    TabOrder = 4
  end
  object ProgressBar_Horz: TProgressBar
    Left = 8
    Top = 520
    Width = 240
    Height = 18
    Position = 60
    TabOrder = 5
  end
  object TrackBar_Horz: TTrackBar
    Left = 8
    Top = 546
    Width = 240
    Height = 40
    Max = 10
    Position = 4
    TabOrder = 6
  end
  object Edit_Normal: TEdit
    Left = 256
    Top = 8
    Width = 240
    Height = 21
    Text = '可编辑 Editable'
    TabOrder = 7
  end
  object Edit_ReadOnly: TEdit
    Left = 256
    Top = 36
    Width = 240
    Height = 21
    Text = '只读 Read-only'
    ReadOnly = True
    TabOrder = 8
  end
  object Edit_Disabled: TEdit
    Left = 256
    Top = 64
    Width = 240
    Height = 21
    Text = '禁用 Disabled'
    Enabled = False
    TabOrder = 9
  end
  object Edit_Spin: TEdit
    Left = 256
    Top = 92
    Width = 100
    Height = 21
    Text = '5'
    TabOrder = 10
  end
  object UpDown_Spin: TUpDown
    Left = 356
    Top = 92
    Width = 17
    Height = 21
    Associate = Edit_Spin
    Max = 99
    Position = 5
    TabOrder = 11
  end
  object UpDown_Horz: TUpDown
    Left = 384
    Top = 92
    Width = 40
    Height = 21
    Orientation = udHorizontal
    TabOrder = 12
  end
  object ComboBox_DropDown: TComboBox
    Left = 256
    Top = 120
    Width = 240
    Height = 21
    Items.Strings = (
      '北京 Beijing'
      '上海 Shanghai'
      '广州 Guangzhou')
    ItemIndex = 0
    TabOrder = 13
  end
  object ComboBox_List: TComboBox
    Left = 256
    Top = 148
    Width = 240
    Height = 21
    Style = csDropDownList
    Items.Strings = (
      '北京 Beijing'
      '上海 Shanghai'
      '广州 Guangzhou')
    ItemIndex = 1
    TabOrder = 14
  end
  object ComboBox_Disabled: TComboBox
    Left = 256
    Top = 176
    Width = 240
    Height = 21
    Style = csDropDownList
    Enabled = False
    Items.Strings = (
      '禁用 Disabled')
    ItemIndex = 0
    TabOrder = 15
  end
  object ListBox_Cities: TListBox
    Left = 256
    Top = 204
    Width = 115
    Height = 120
    Items.Strings = (
      '北京'
      '上海'
      '广州'
      '深圳'
      '杭州'
      '南京'
      '成都'
      '重庆'
      '武汉'
      '西安'
      '苏州'
      '天津'
      '长沙'
      '青岛')
    ItemIndex = 2
    TabOrder = 16
  end
  object Memo_Notes: TMemo
    Left = 380
    Top = 204
    Width = 116
    Height = 120
    Lines.Strings = (
      '第一行 line one'
      '第二行 line two, long enough to scroll sideways'
      '第三行 line three'
      '第4行 line 4'
      '第5行 line 5'
      '第6行 line 6'
      '第7行 line 7'
      '第8行 line 8'
      '第9行 line 9'
      '第10行 line 10'
      '第11行 line 11'
      '第12行 line 12'
      '第13行 line 13'
      '第14行 line 14')
    ScrollBars = ssBoth
    WordWrap = False
    TabOrder = 17
  end
  object ScrollBar_Horz: TScrollBar
    Left = 256
    Top = 330
    Width = 240
    Height = 17
    Max = 100
    PageSize = 20
    Position = 30
    TabOrder = 18
  end
  object ScrollBar_Vert: TScrollBar
    Left = 256
    Top = 354
    Width = 17
    Height = 130
    Kind = sbVertical
    Max = 100
    PageSize = 20
    Position = 50
    TabOrder = 19
  end
  object ProgressBar_Vert: TProgressBar
    Left = 280
    Top = 354
    Width = 18
    Height = 130
    Orientation = pbVertical
    Position = 40
    TabOrder = 20
  end
  object TrackBar_Vert: TTrackBar
    Left = 304
    Top = 354
    Width = 40
    Height = 130
    Orientation = trVertical
    Max = 10
    Position = 3
    TabOrder = 21
  end
  object HeaderControl_Columns: THeaderControl
    Left = 350
    Top = 354
    Width = 146
    Height = 20
    Align = alNone
    Sections = <
      item
        Text = '名称 Name'
        Width = 80
      end
      item
        Alignment = taRightJustify
        Text = '数 No.'
        Width = 60
      end>
  end
  object ListView_Orders: TListView
    Left = 256
    Top = 490
    Width = 240
    Height = 110
    ViewStyle = vsReport
    RowSelect = True
    GridLines = True
    Columns = <
      item
        Caption = '商品 Goods'
        Width = 90
      end
      item
        Caption = '数量 Qty'
        Width = 60
      end
      item
        Caption = '价格 Price'
        Width = 70
      end>
    Items = <
      item
        Caption = '茶叶 Tea'
        SubItems.Strings = (
          '3'
          '36.00')
      end
      item
        Caption = '瓷器 Porcelain'
        SubItems.Strings = (
          '1'
          '128.50')
      end
      item
        Caption = '丝绸 Silk'
        SubItems.Strings = (
          '2'
          '99.90')
      end>
    ItemIndex = 1
    TabOrder = 22
  end
  object PageControl_Top: TPageControl
    Left = 504
    Top = 8
    Width = 230
    Height = 140
    ActivePage = PageControl_Top_General
    TabPosition = tpTop
    TabOrder = 23
    object PageControl_Top_General: TTabSheet
      Caption = '常规 General'
        object Label_PageControl_Top: TLabel
          Left = 8
          Top = 8
          Caption = '标签在上 Tabs on top'
        end
    end
    object PageControl_Top_Advanced: TTabSheet
      Caption = '高级 Advanced'
    end
  end
  object PageControl_Bottom: TPageControl
    Left = 744
    Top = 8
    Width = 230
    Height = 140
    ActivePage = PageControl_Bottom_General
    TabPosition = tpBottom
    TabOrder = 24
    object PageControl_Bottom_General: TTabSheet
      Caption = '常规 General'
        object Label_PageControl_Bottom: TLabel
          Left = 8
          Top = 8
          Caption = '标签在下 Tabs below'
        end
    end
    object PageControl_Bottom_Advanced: TTabSheet
      Caption = '高级 Advanced'
    end
  end
  object PageControl_Left: TPageControl
    Left = 504
    Top = 156
    Width = 230
    Height = 140
    ActivePage = PageControl_Left_General
    TabPosition = tpLeft
    TabOrder = 25
    object PageControl_Left_General: TTabSheet
      Caption = '常规 General'
        object Label_PageControl_Left: TLabel
          Left = 8
          Top = 8
          Caption = '标签在左 Tabs left'
        end
    end
    object PageControl_Left_Advanced: TTabSheet
      Caption = '高级 Advanced'
    end
  end
  object PageControl_Right: TPageControl
    Left = 744
    Top = 156
    Width = 230
    Height = 140
    ActivePage = PageControl_Right_General
    TabPosition = tpRight
    TabOrder = 26
    object PageControl_Right_General: TTabSheet
      Caption = '常规 General'
        object Label_PageControl_Right: TLabel
          Left = 8
          Top = 8
          Caption = '标签在右 Tabs right'
        end
    end
    object PageControl_Right_Advanced: TTabSheet
      Caption = '高级 Advanced'
    end
  end
  object TabControl_Plain: TTabControl
    Left = 504
    Top = 304
    Width = 470
    Height = 120
    Tabs.Strings = (
      '订单 Orders'
      '客户 Customers'
      '报表 Reports')
    TabIndex = 0
    TabOrder = 27
    object Label_Tabs: TLabel
      Left = 12
      Top = 36
      Transparent = True
      Caption = '一个标签控件，内容由程序切换。 One tab control; the program changes its content.'
    end
  end
  object Label_Hint: TLabel
    Left = 504
    Top = 436
    Width = 470
    Height = 60
    AutoSize = False
    WordWrap = True
    Caption = '按 F2、点击“皮肤开关”或用右键菜单切换皮肤。Press F2, the skin button or the context menu to switch the skin off and on. 命令行：SkinGallery.exe 皮肤.skn'
  end
  object StatusBar_Gallery: TStatusBar
    Left = 0
    Top = 641
    Width = 980
    Height = 19
    Panels = <
      item
        Text = '皮肤画廊 Skin gallery'
        Width = 200
      end
      item
        Bevel = pbRaised
        Text = '皮肤：开 Skin: on'
        Width = 200
      end
      item
        Bevel = pbNone
        Text = '岚栎软件'
        Width = 50
      end>
  end
  object MainMenu_Gallery: TMainMenu
    object MenuItem_File: TMenuItem
      Caption = '文件(&F)'
      object MenuItem_Exit: TMenuItem
        Caption = '退出(&X)'
        OnClick = ExitClick
      end
    end
    object MenuItem_View: TMenuItem
      Caption = '查看(&V)'
      object MenuItem_Skin: TMenuItem
        Caption = '启用皮肤(&S)'
        Checked = True
        ShortCut = 'F2'
        OnClick = SkinSwitchClick
      end
      object MenuItem_Sep2: TMenuItem
        Caption = '-'
      end
      object MenuItem_Large: TMenuItem
        Caption = '大图标(&L)'
        RadioItem = True
        GroupIndex = 1
        AutoCheck = True
      end
      object MenuItem_Small: TMenuItem
        Caption = '小图标(&M)'
        RadioItem = True
        GroupIndex = 1
        AutoCheck = True
        Checked = True
      end
      object MenuItem_Sep3: TMenuItem
        Caption = '-'
      end
      object MenuItem_Arrange: TMenuItem
        Caption = '排列(&A)'
        object MenuItem_ByName: TMenuItem
          Caption = '按名称(&N)'
          Default = True
        end
        object MenuItem_ByDate: TMenuItem
          Caption = '按日期(&D)'
        end
        object MenuItem_Unavailable: TMenuItem
          Caption = '不可用(&U)'
          Enabled = False
        end
      end
      object MenuItem_Disabled: TMenuItem
        Caption = '禁用项(&I)'
        Enabled = False
      end
    end
    object MenuItem_Help: TMenuItem
      Caption = '帮助(&H)'
      object MenuItem_About: TMenuItem
        Caption = '关于(&A)'
        Default = True
      end
    end
  end
  object PopupMenu_Gallery: TPopupMenu
    object MenuItem_PopSkin: TMenuItem
      Caption = '切换皮肤(&S)'
      Default = True
      OnClick = SkinSwitchClick
    end
    object MenuItem_PopChecked: TMenuItem
      Caption = '已选项(&C)'
      Checked = True
    end
    object MenuItem_PopSep: TMenuItem
      Caption = '-'
    end
    object MenuItem_PopDisabled: TMenuItem
      Caption = '禁用项(&D)'
      Enabled = False
    end
    object MenuItem_PopSub: TMenuItem
      Caption = '子菜单(&U)'
      object MenuItem_PopSub1: TMenuItem
        Caption = '项目一(&1)'
      end
      object MenuItem_PopSub2: TMenuItem
        Caption = '项目二(&2)'
        RadioItem = True
        Checked = True
      end
    end
  end
  object SkinData_Main: TSkinData
    Active = True
    DisableTag = 99
    SkinControls = [xcMainMenu, xcPopupMenu, xcMenuItem, xcCombo, xcCheckBox, xcRadioButton, xcProgress, xcScrollbar, xcEdit, xcButton, xcBitBtn, xcSpeedButton, xcPanel, xcGroupBox, xcStatusBar, xcTab, xcSystemMenu]
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
      'TPanel=panel'
      'TBitBtn=bitbtn'
      'TSpeedButton=speedbutton'
      'TCheckBox=checkbox'
      'TRadioButton=radiobutton'
      'TComboBox=combobox'
      'TEdit=edit'
      'TProgressBar=progress'
      'TScrollBar=scrollbar')
    SkinFormtype = sfMainform
  end
end
