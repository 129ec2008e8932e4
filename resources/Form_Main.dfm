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
  object Timer_Main: TTimer
    Interval = 1000
    OnTimer = Timer_MainTimer
  end
end
