// The commands of the main menu, and the ones the windows send each other.
// Each value is the command's menu id, the number the menu bar and the
// windows have always exchanged; code names the command, never the number.
#pragma once

namespace zn {

enum class Command : int {
  None = 0,  // a popup, which runs nothing

  // DataBase
  OpenDatafile = 1100,
  NewDatafile = 511,
  ImportData = 1200,
  ImportGbif = 41200,
  OpenProject = 41300,
  NewProject = 41310,
  JoinDatafiles = 512,
  EditData = 1400,
  DataPreselection = 1500,
  ApplyPreselection = 1505,  // sent by the preselection window
  CalculateC = 40034,
  StandardiseQuantitative = 40028,
  DivideByGroup = 40014,
  DivideByRarity = 40027,
  ExportData = 1600,
  Exit = 1900,

  // AnalyticalTools: Diversity
  Richness = 2100,
  SelectiveRichness = 2101,
  LevelNRichness = 40001,
  MaxDataLevel = 40002,
  MedianQuantitative = 40030,
  DiversityRangeCentres = 2110,
  ResidualsFromSmoothing = 40026,
  SubtreeLength = 2400,
  MeanRootDistance = 2500,

  // AnalyticalTools: Rarity ("M&inimum range size" runs MaxRarity)
  RangeSizeRarity = 2300,
  SelectiveRarity = 40007,
  RarityRangeCentres = 2111,
  RareThresholdRichness = 40022,
  RareQuartileRichness = 2200,
  MedianRangeSize = 2120,

  // AnalyticalTools: the popups without operations
  NonNestednessByTaxon = 40035,
  NonNestednessByArea = 40003,
  NeighbourhoodNonNestedness = 2150,
  NeighbourhoodNestedRichness = 40004,
  RangeEdges = 2180,
  RichnessHeterogeneity = 5001,
  RichnessGradients = 5002,
  Segregation = 2160,
  Dissimilarity = 2170,
  Beta1 = 40011,
  Beta2 = 40012,
  Beta3 = 40013,
  Resistance = 5003,
  Anisotropy = 5004,
  PrintSampleTable = 40037,
  ComplementarityToRefMedian = 40038,
  ComplementarityToRefCorrelation = 40039,
  ComplementarityOfRefMedian = 40040,
  ComplementarityOfRefCorrelation = 40041,

  // AnalyticalTools: Area selection
  NearMaximumCoverage = 40020,
  NearMinimumSet = 2820,
  ExactMinimumSet = 40050,
  ExactMaximumCoverage = 40051,
  GreedySet = 2810,
  Hotspots = 2800,
  EmrIrreplaceability = 40008,
  MaxRarity = 40010,
  ManualSetSelection = 2805,
  ReorderByRichness = 40009,
  ReorderByThreat = 40043,
  RepresentationResults = 40019,
  MapFullyFlexible = 2830,
  RandomSetSelection = 2801,
  RepresentationCurves = 40060,
  SelectionFrequency = 40061,
  ReplacementCost = 40062,

  // AnalyticalTools
  MeanScores = 2600,
  SmoothScores = 2700,
  ToolsOptions = 2900,

  // MapGraphics
  MapInfo = 3100,
  MapdrawOptions = 3400,
  InvertedColourScale = 40015,
  Map3DOptions = 40033,
  ToggleZoom = 3200,
  RefreshMap = 3300,
  PrintMap = 1810,
  SaveBitmap = 1800,
  ImportScores = 1300,
  ExportScores = 1700,
  ExportMapToGis = 41700,
  ConvertSelectedAreas = 40024,
  ConvertCostValues = 40029,
  ConvertThreatValues = 40042,
  SwapScores = 1310,
  OverlayScores = 4400,
  RandomisationTest = 40025,
  MonitorResults = 40018,
  ClearResults = 40016,

  // Help
  About = 4200,
  HelpContents = 4301,
  HelpOnHelp = 4302,
};

// The menu id of a command.
constexpr int commandId(Command c) { return static_cast<int>(c); }

}  // namespace zn
