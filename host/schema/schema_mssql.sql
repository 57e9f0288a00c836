-- Back-office base, Microsoft SQL Server form. The same tables and columns as schema_sqlite.sql;
-- fId columns are IDENTITY, fRV of tirGoods and tirDocuments is a ROWVERSION, texts are NVARCHAR,
-- amounts and quantities FLOAT, date-times DATETIME. Group tables are created holding their root.

CREATE TABLE [dbo].[tirSettings] (
  [fId] INT IDENTITY(1,1) NOT NULL PRIMARY KEY,
  [fPValId] BIGINT NULL DEFAULT 0,
  [fUserId] BIGINT NULL DEFAULT 0,
  [fMId] INT NULL DEFAULT 0,
  [fPType] INT NULL DEFAULT 0,
  [fPB] BIGINT NULL DEFAULT 0,
  [fPI] BIGINT NULL DEFAULT 0,
  [fPStr50] NVARCHAR(50) NULL,
  [fPStr] NVARCHAR(MAX) NULL,
  [fPDate] DATETIME NULL
);
CREATE INDEX [ix_tirSettings_keys] ON [dbo].[tirSettings] (fMId, fPType, fUserId);
CREATE INDEX [ix_tirSettings_pstr50] ON [dbo].[tirSettings] (fPStr50);

CREATE TABLE [dbo].[tirUsers] (
  [fId] INT IDENTITY(1,1) NOT NULL PRIMARY KEY,
  [fCode] NVARCHAR(50) NULL,
  [fName] NVARCHAR(255) NULL,
  [fNamePrint] NVARCHAR(255) NULL,
  [fState] INT NULL DEFAULT 0,
  [fType] INT NULL DEFAULT 0,
  [fPassword] NVARCHAR(255) NULL,
  [fPassword2] NVARCHAR(255) NULL,
  [fCardNumber] NVARCHAR(50) NULL,
  [fGroupID] BIGINT NULL DEFAULT 0,
  [fGUID1] BIGINT NOT NULL DEFAULT 0,
  [fGUID2] BIGINT NOT NULL DEFAULT 0
);
CREATE INDEX [ix_tirUsers_guid] ON [dbo].[tirUsers] (fGUID1, fGUID2);
CREATE INDEX [ix_tirUsers_group] ON [dbo].[tirUsers] (fGroupID);

CREATE TABLE [dbo].[tirUsersRG] (
  [fId] INT IDENTITY(1,1) NOT NULL PRIMARY KEY,
  [fName] NVARCHAR(255) NULL,
  [fState] INT NULL DEFAULT 0,
  [fBase] INT NULL DEFAULT 0
);

CREATE TABLE [dbo].[tirUsersGroups] (
  [fId] INT IDENTITY(1,1) NOT NULL PRIMARY KEY,
  [fName] NVARCHAR(100) NULL,
  [fcl] INT NOT NULL DEFAULT 0,
  [fcr] INT NOT NULL DEFAULT 0,
  [fclev] INT NOT NULL DEFAULT 0,
  [fGUID1] BIGINT NOT NULL DEFAULT 0,
  [fGUID2] BIGINT NOT NULL DEFAULT 0
);
CREATE INDEX [ix_tirUsersGroups_guid] ON [dbo].[tirUsersGroups] (fGUID1, fGUID2);
CREATE INDEX [ix_tirUsersGroups_cl] ON [dbo].[tirUsersGroups] (fcl);
INSERT INTO [dbo].[tirUsersGroups] ([fName], [fcl], [fcr], [fclev], [fGUID1], [fGUID2]) VALUES (N'root', 1, 2, 0, 0, 0);

CREATE TABLE [dbo].[tirGoods] (
  [fId] INT IDENTITY(1,1) NOT NULL PRIMARY KEY,
  [fCode] NVARCHAR(50) NULL,
  [fName] NVARCHAR(255) NULL,
  [fNameFull] NVARCHAR(500) NULL,
  [fDesc] NVARCHAR(1000) NULL,
  [fBarCode] NVARCHAR(50) NULL,
  [fBarCodeList] NVARCHAR(1000) NULL,
  [fBarCode2] NVARCHAR(50) NULL,
  [fBarCode3] NVARCHAR(50) NULL,
  [fUnitType] NVARCHAR(20) NULL,
  [fUnitType2] NVARCHAR(20) NULL,
  [fUnitType3] NVARCHAR(20) NULL,
  [fCoeff2] FLOAT NULL DEFAULT 1,
  [fCoeff3] FLOAT NULL DEFAULT 1,
  [fType] INT NULL DEFAULT 0,
  [fVATGroup] BIGINT NULL DEFAULT 0,
  [fColor] INT NULL,
  [fVisible] INT NULL DEFAULT 1,
  [fGroupID] BIGINT NULL DEFAULT 0,
  [fPriceIn] FLOAT NULL DEFAULT 0,
  [fPriceOut1] FLOAT NULL DEFAULT 0,
  [fPriceOut2] FLOAT NULL DEFAULT 0,
  [fPriceOut3] FLOAT NULL DEFAULT 0,
  [fPriceOut4] FLOAT NULL DEFAULT 0,
  [fPriceOut5] FLOAT NULL DEFAULT 0,
  [fPriceOut6] FLOAT NULL DEFAULT 0,
  [fPriceOut7] FLOAT NULL DEFAULT 0,
  [fPriceOut8] FLOAT NULL DEFAULT 0,
  [fPriceOut9] FLOAT NULL DEFAULT 0,
  [fPriceOut10] FLOAT NULL DEFAULT 0,
  [fDeleted] INT NULL DEFAULT 0,
  [fMinCount] FLOAT NULL DEFAULT 0,
  [fNomCount] FLOAT NULL DEFAULT 0,
  [fMainPartner] BIGINT NULL DEFAULT 0,
  [fSCPLU] INT NULL DEFAULT 0,
  [fSCSrokG] INT NULL DEFAULT 0,
  [fSCTare] FLOAT NULL DEFAULT 0,
  [fSCPiece] INT NULL DEFAULT 0,
  [fHavePh] INT NULL DEFAULT 0,
  [fWeightOut] FLOAT NULL DEFAULT 0,
  [fProcLost] FLOAT NULL DEFAULT 0,
  [fpdop1] NVARCHAR(255) NULL,
  [fpdop2] NVARCHAR(255) NULL,
  [fpdop3] NVARCHAR(255) NULL,
  [fpdop4] NVARCHAR(255) NULL,
  [fpdop5] NVARCHAR(255) NULL,
  [fDivList] NVARCHAR(255) NULL,
  [fUKTZED] BIGINT NULL DEFAULT 0,
  [fRcCountD] INT NULL DEFAULT 0,
  [fAvtoProd] INT NULL DEFAULT 0,
  [fExStamp] INT NULL DEFAULT 0,
  [fOShop] INT NULL DEFAULT 0,
  [fImport] INT NULL DEFAULT 0,
  [fMarkUp] FLOAT NULL DEFAULT 0,
  [fRV] ROWVERSION,
  [fGUID1] BIGINT NOT NULL DEFAULT 0,
  [fGUID2] BIGINT NOT NULL DEFAULT 0
);
CREATE INDEX [ix_tirGoods_guid] ON [dbo].[tirGoods] (fGUID1, fGUID2);
CREATE INDEX [ix_tirGoods_group] ON [dbo].[tirGoods] (fGroupID);
CREATE INDEX [ix_tirGoods_barcode] ON [dbo].[tirGoods] (fBarCode);
CREATE INDEX [ix_tirGoods_code] ON [dbo].[tirGoods] (fCode);
CREATE INDEX [ix_tirGoods_rv] ON [dbo].[tirGoods] (fRV);

CREATE TABLE [dbo].[tirGoodsGroups] (
  [fId] INT IDENTITY(1,1) NOT NULL PRIMARY KEY,
  [fName] NVARCHAR(100) NULL,
  [fcl] INT NOT NULL DEFAULT 0,
  [fcr] INT NOT NULL DEFAULT 0,
  [fclev] INT NOT NULL DEFAULT 0,
  [fGUID1] BIGINT NOT NULL DEFAULT 0,
  [fGUID2] BIGINT NOT NULL DEFAULT 0
);
CREATE INDEX [ix_tirGoodsGroups_guid] ON [dbo].[tirGoodsGroups] (fGUID1, fGUID2);
CREATE INDEX [ix_tirGoodsGroups_cl] ON [dbo].[tirGoodsGroups] (fcl);
INSERT INTO [dbo].[tirGoodsGroups] ([fName], [fcl], [fcr], [fclev], [fGUID1], [fGUID2]) VALUES (N'root', 1, 2, 0, 0, 0);

CREATE TABLE [dbo].[tirGPhotoes] (
  [fId] INT IDENTITY(1,1) NOT NULL PRIMARY KEY,
  [fGoodId] BIGINT NULL DEFAULT 0,
  [fOrder] INT NULL DEFAULT 0,
  [fPhoto] VARBINARY(MAX) NULL,
  [fDesc] NVARCHAR(255) NULL,
  [fGUID1] BIGINT NOT NULL DEFAULT 0,
  [fGUID2] BIGINT NOT NULL DEFAULT 0
);
CREATE INDEX [ix_tirGPhotoes_guid] ON [dbo].[tirGPhotoes] (fGUID1, fGUID2);
CREATE INDEX [ix_tirGPhotoes_good] ON [dbo].[tirGPhotoes] (fGoodId, fOrder);

CREATE TABLE [dbo].[tirPrices] (
  [fId] INT IDENTITY(1,1) NOT NULL PRIMARY KEY,
  [fPriceId] INT NULL DEFAULT 0,
  [fGoodId] BIGINT NULL DEFAULT 0,
  [fPrice] FLOAT NULL DEFAULT 0
);
CREATE UNIQUE INDEX [ix_tirPrices_good_price] ON [dbo].[tirPrices] (fGoodId, fPriceId);

CREATE TABLE [dbo].[tirPricesNames] (
  [fId] INT IDENTITY(1,1) NOT NULL PRIMARY KEY,
  [fCode] NVARCHAR(50) NULL,
  [fName] NVARCHAR(255) NULL,
  [fNamePrint] NVARCHAR(255) NULL,
  [fCurrId] BIGINT NULL DEFAULT 0,
  [fState] INT NULL DEFAULT 1,
  [fGroupID] BIGINT NULL DEFAULT 0,
  [fGUID1] BIGINT NOT NULL DEFAULT 0,
  [fGUID2] BIGINT NOT NULL DEFAULT 0
);
CREATE INDEX [ix_tirPricesNames_guid] ON [dbo].[tirPricesNames] (fGUID1, fGUID2);
CREATE INDEX [ix_tirPricesNames_group] ON [dbo].[tirPricesNames] (fGroupID);

CREATE TABLE [dbo].[tirPricesGroups] (
  [fId] INT IDENTITY(1,1) NOT NULL PRIMARY KEY,
  [fName] NVARCHAR(100) NULL,
  [fcl] INT NOT NULL DEFAULT 0,
  [fcr] INT NOT NULL DEFAULT 0,
  [fclev] INT NOT NULL DEFAULT 0,
  [fGUID1] BIGINT NOT NULL DEFAULT 0,
  [fGUID2] BIGINT NOT NULL DEFAULT 0
);
CREATE INDEX [ix_tirPricesGroups_guid] ON [dbo].[tirPricesGroups] (fGUID1, fGUID2);
CREATE INDEX [ix_tirPricesGroups_cl] ON [dbo].[tirPricesGroups] (fcl);
INSERT INTO [dbo].[tirPricesGroups] ([fName], [fcl], [fcr], [fclev], [fGUID1], [fGUID2]) VALUES (N'root', 1, 2, 0, 0, 0);

CREATE TABLE [dbo].[tirRecipes] (
  [fId] INT IDENTITY(1,1) NOT NULL PRIMARY KEY,
  [fGoodId] BIGINT NULL DEFAULT 0,
  [fCompId] BIGINT NULL DEFAULT 0,
  [fCount] FLOAT NULL DEFAULT 0,
  [fCountOut] FLOAT NULL DEFAULT 0,
  [fDesc] NVARCHAR(255) NULL,
  [fCHot] INT NULL DEFAULT 0,
  [fCCold] INT NULL DEFAULT 0
);
CREATE INDEX [ix_tirRecipes_good] ON [dbo].[tirRecipes] (fGoodId);

CREATE TABLE [dbo].[tirUktzed] (
  [fId] INT IDENTITY(1,1) NOT NULL PRIMARY KEY,
  [fZEDCode] NVARCHAR(20) NULL,
  [fZEDName] NVARCHAR(500) NULL,
  [fZEDGroupID] BIGINT NULL DEFAULT 0,
  [fGUID1] BIGINT NOT NULL DEFAULT 0,
  [fGUID2] BIGINT NOT NULL DEFAULT 0
);
CREATE INDEX [ix_tirUktzed_guid] ON [dbo].[tirUktzed] (fGUID1, fGUID2);
CREATE INDEX [ix_tirUktzed_code] ON [dbo].[tirUktzed] (fZEDCode);
CREATE INDEX [ix_tirUktzed_group] ON [dbo].[tirUktzed] (fZEDGroupID);

CREATE TABLE [dbo].[tirUktzedGroups] (
  [fId] INT IDENTITY(1,1) NOT NULL PRIMARY KEY,
  [fName] NVARCHAR(100) NULL,
  [fcl] INT NOT NULL DEFAULT 0,
  [fcr] INT NOT NULL DEFAULT 0,
  [fclev] INT NOT NULL DEFAULT 0,
  [fGUID1] BIGINT NOT NULL DEFAULT 0,
  [fGUID2] BIGINT NOT NULL DEFAULT 0
);
CREATE INDEX [ix_tirUktzedGroups_guid] ON [dbo].[tirUktzedGroups] (fGUID1, fGUID2);
CREATE INDEX [ix_tirUktzedGroups_cl] ON [dbo].[tirUktzedGroups] (fcl);
INSERT INTO [dbo].[tirUktzedGroups] ([fName], [fcl], [fcr], [fclev], [fGUID1], [fGUID2]) VALUES (N'root', 1, 2, 0, 0, 0);

CREATE TABLE [dbo].[tirPartners] (
  [fId] INT IDENTITY(1,1) NOT NULL PRIMARY KEY,
  [fCode] NVARCHAR(50) NULL,
  [fName] NVARCHAR(255) NULL,
  [fNamePrint] NVARCHAR(255) NULL,
  [fState] INT NULL DEFAULT 0,
  [fGroupID] BIGINT NULL DEFAULT 0,
  [fCardNumber] NVARCHAR(50) NULL,
  [fTel] NVARCHAR(50) NULL,
  [fTel1] NVARCHAR(50) NULL,
  [fTel2] NVARCHAR(50) NULL,
  [fTel3] NVARCHAR(50) NULL,
  [fTel4] NVARCHAR(50) NULL,
  [fTel5] NVARCHAR(50) NULL,
  [fAdress] NVARCHAR(255) NULL,
  [fAdress1] NVARCHAR(255) NULL,
  [fAdress2] NVARCHAR(255) NULL,
  [fDate] DATETIME NULL,
  [fDate1] DATETIME NULL,
  [fDate2] DATETIME NULL,
  [fDate3] DATETIME NULL,
  [fDate4] DATETIME NULL,
  [fDate5] DATETIME NULL,
  [fDesc] NVARCHAR(1000) NULL,
  [fEDRPOU] NVARCHAR(20) NULL,
  [fINN] NVARCHAR(20) NULL,
  [fNDSN] NVARCHAR(20) NULL,
  [fGUID1] BIGINT NOT NULL DEFAULT 0,
  [fGUID2] BIGINT NOT NULL DEFAULT 0
);
CREATE INDEX [ix_tirPartners_guid] ON [dbo].[tirPartners] (fGUID1, fGUID2);
CREATE INDEX [ix_tirPartners_group] ON [dbo].[tirPartners] (fGroupID);

CREATE TABLE [dbo].[tirPartnersGroups] (
  [fId] INT IDENTITY(1,1) NOT NULL PRIMARY KEY,
  [fName] NVARCHAR(100) NULL,
  [fcl] INT NOT NULL DEFAULT 0,
  [fcr] INT NOT NULL DEFAULT 0,
  [fclev] INT NOT NULL DEFAULT 0,
  [fGUID1] BIGINT NOT NULL DEFAULT 0,
  [fGUID2] BIGINT NOT NULL DEFAULT 0
);
CREATE INDEX [ix_tirPartnersGroups_guid] ON [dbo].[tirPartnersGroups] (fGUID1, fGUID2);
CREATE INDEX [ix_tirPartnersGroups_cl] ON [dbo].[tirPartnersGroups] (fcl);
INSERT INTO [dbo].[tirPartnersGroups] ([fName], [fcl], [fcr], [fclev], [fGUID1], [fGUID2]) VALUES (N'root', 1, 2, 0, 0, 0);

CREATE TABLE [dbo].[tirContracts] (
  [fId] INT IDENTITY(1,1) NOT NULL PRIMARY KEY,
  [fName] NVARCHAR(255) NULL,
  [fPartnerId] BIGINT NULL DEFAULT 0,
  [fEntitiId] BIGINT NULL DEFAULT 0,
  [fAccountType] INT NULL DEFAULT 0,
  [fDiscount] FLOAT NULL DEFAULT 0,
  [fCurrId] BIGINT NULL DEFAULT 0,
  [fPriceId] INT NULL DEFAULT 0,
  [fPriceId2] INT NULL DEFAULT 0,
  [fDefault] INT NULL DEFAULT 0,
  [fType] INT NULL DEFAULT 0,
  [fGUID1] BIGINT NOT NULL DEFAULT 0,
  [fGUID2] BIGINT NOT NULL DEFAULT 0
);
CREATE INDEX [ix_tirContracts_guid] ON [dbo].[tirContracts] (fGUID1, fGUID2);
CREATE INDEX [ix_tirContracts_partner] ON [dbo].[tirContracts] (fPartnerId, fEntitiId);

CREATE TABLE [dbo].[tirEntities] (
  [fId] INT IDENTITY(1,1) NOT NULL PRIMARY KEY,
  [fCode] NVARCHAR(50) NULL,
  [fName] NVARCHAR(255) NULL,
  [fNamePrint] NVARCHAR(255) NULL,
  [fEDRPOU] NVARCHAR(20) NULL,
  [fINN] NVARCHAR(20) NULL,
  [fNDSN] NVARCHAR(20) NULL,
  [fTel] NVARCHAR(50) NULL,
  [fTel1] NVARCHAR(50) NULL,
  [fTel2] NVARCHAR(50) NULL,
  [fAdress] NVARCHAR(255) NULL,
  [fAdress1] NVARCHAR(255) NULL,
  [fAdress2] NVARCHAR(255) NULL,
  [fState] INT NULL DEFAULT 1,
  [fGroupID] BIGINT NULL DEFAULT 0,
  [fGUID1] BIGINT NOT NULL DEFAULT 0,
  [fGUID2] BIGINT NOT NULL DEFAULT 0
);
CREATE INDEX [ix_tirEntities_guid] ON [dbo].[tirEntities] (fGUID1, fGUID2);
CREATE INDEX [ix_tirEntities_group] ON [dbo].[tirEntities] (fGroupID);

CREATE TABLE [dbo].[tirEntitiesGroups] (
  [fId] INT IDENTITY(1,1) NOT NULL PRIMARY KEY,
  [fName] NVARCHAR(100) NULL,
  [fcl] INT NOT NULL DEFAULT 0,
  [fcr] INT NOT NULL DEFAULT 0,
  [fclev] INT NOT NULL DEFAULT 0,
  [fGUID1] BIGINT NOT NULL DEFAULT 0,
  [fGUID2] BIGINT NOT NULL DEFAULT 0
);
CREATE INDEX [ix_tirEntitiesGroups_guid] ON [dbo].[tirEntitiesGroups] (fGUID1, fGUID2);
CREATE INDEX [ix_tirEntitiesGroups_cl] ON [dbo].[tirEntitiesGroups] (fcl);
INSERT INTO [dbo].[tirEntitiesGroups] ([fName], [fcl], [fcr], [fclev], [fGUID1], [fGUID2]) VALUES (N'root', 1, 2, 0, 0, 0);

CREATE TABLE [dbo].[tirStores] (
  [fId] INT IDENTITY(1,1) NOT NULL PRIMARY KEY,
  [fCode] NVARCHAR(50) NULL,
  [fName] NVARCHAR(255) NULL,
  [fNamePrint] NVARCHAR(255) NULL,
  [fAdress] NVARCHAR(255) NULL,
  [fState] INT NULL DEFAULT 1,
  [fPriceId] INT NULL DEFAULT 0,
  [fPriceId2] INT NULL DEFAULT 0,
  [fGroupID] BIGINT NULL DEFAULT 0,
  [fGUID1] BIGINT NOT NULL DEFAULT 0,
  [fGUID2] BIGINT NOT NULL DEFAULT 0
);
CREATE INDEX [ix_tirStores_guid] ON [dbo].[tirStores] (fGUID1, fGUID2);
CREATE INDEX [ix_tirStores_group] ON [dbo].[tirStores] (fGroupID);

CREATE TABLE [dbo].[tirStoresGroups] (
  [fId] INT IDENTITY(1,1) NOT NULL PRIMARY KEY,
  [fName] NVARCHAR(100) NULL,
  [fcl] INT NOT NULL DEFAULT 0,
  [fcr] INT NOT NULL DEFAULT 0,
  [fclev] INT NOT NULL DEFAULT 0,
  [fGUID1] BIGINT NOT NULL DEFAULT 0,
  [fGUID2] BIGINT NOT NULL DEFAULT 0
);
CREATE INDEX [ix_tirStoresGroups_guid] ON [dbo].[tirStoresGroups] (fGUID1, fGUID2);
CREATE INDEX [ix_tirStoresGroups_cl] ON [dbo].[tirStoresGroups] (fcl);
INSERT INTO [dbo].[tirStoresGroups] ([fName], [fcl], [fcr], [fclev], [fGUID1], [fGUID2]) VALUES (N'root', 1, 2, 0, 0, 0);

CREATE TABLE [dbo].[tirCashAccounts] (
  [fId] INT IDENTITY(1,1) NOT NULL PRIMARY KEY,
  [fName] NVARCHAR(255) NULL,
  [fDesc] NVARCHAR(1000) NULL,
  [fAccInfo] NVARCHAR(255) NULL,
  [fType] INT NULL DEFAULT 0,
  [fDefault] INT NULL DEFAULT 0,
  [fEntitiId] BIGINT NULL DEFAULT 0,
  [fCurrId] BIGINT NULL DEFAULT 0,
  [fGUID1] BIGINT NOT NULL DEFAULT 0,
  [fGUID2] BIGINT NOT NULL DEFAULT 0
);
CREATE INDEX [ix_tirCashAccounts_guid] ON [dbo].[tirCashAccounts] (fGUID1, fGUID2);
CREATE INDEX [ix_tirCashAccounts_entity] ON [dbo].[tirCashAccounts] (fEntitiId);

CREATE TABLE [dbo].[tirCurrencies] (
  [fId] INT IDENTITY(1,1) NOT NULL PRIMARY KEY,
  [fCode] NVARCHAR(50) NULL,
  [fName] NVARCHAR(255) NULL,
  [fNamePrint] NVARCHAR(255) NULL,
  [fState] INT NULL DEFAULT 1,
  [fImg] INT NULL DEFAULT 0,
  [fCurr] FLOAT NULL DEFAULT 1,
  [fGroupID] BIGINT NULL DEFAULT 0,
  [fGUID1] BIGINT NOT NULL DEFAULT 0,
  [fGUID2] BIGINT NOT NULL DEFAULT 0
);
CREATE INDEX [ix_tirCurrencies_guid] ON [dbo].[tirCurrencies] (fGUID1, fGUID2);
CREATE INDEX [ix_tirCurrencies_group] ON [dbo].[tirCurrencies] (fGroupID);

CREATE TABLE [dbo].[tirCurrenciesGroups] (
  [fId] INT IDENTITY(1,1) NOT NULL PRIMARY KEY,
  [fName] NVARCHAR(100) NULL,
  [fcl] INT NOT NULL DEFAULT 0,
  [fcr] INT NOT NULL DEFAULT 0,
  [fclev] INT NOT NULL DEFAULT 0,
  [fGUID1] BIGINT NOT NULL DEFAULT 0,
  [fGUID2] BIGINT NOT NULL DEFAULT 0
);
CREATE INDEX [ix_tirCurrenciesGroups_guid] ON [dbo].[tirCurrenciesGroups] (fGUID1, fGUID2);
CREATE INDEX [ix_tirCurrenciesGroups_cl] ON [dbo].[tirCurrenciesGroups] (fcl);
INSERT INTO [dbo].[tirCurrenciesGroups] ([fName], [fcl], [fcr], [fclev], [fGUID1], [fGUID2]) VALUES (N'root', 1, 2, 0, 0, 0);

CREATE TABLE [dbo].[tirVAT] (
  [fId] INT IDENTITY(1,1) NOT NULL PRIMARY KEY,
  [fCode] NVARCHAR(50) NULL,
  [fName] NVARCHAR(255) NULL,
  [fVAT] FLOAT NULL DEFAULT 0,
  [fVATA] FLOAT NULL DEFAULT 0,
  [fGroupID] BIGINT NULL DEFAULT 0,
  [fGUID1] BIGINT NOT NULL DEFAULT 0,
  [fGUID2] BIGINT NOT NULL DEFAULT 0
);
CREATE INDEX [ix_tirVAT_guid] ON [dbo].[tirVAT] (fGUID1, fGUID2);
CREATE INDEX [ix_tirVAT_group] ON [dbo].[tirVAT] (fGroupID);

CREATE TABLE [dbo].[tirVATsGroups] (
  [fId] INT IDENTITY(1,1) NOT NULL PRIMARY KEY,
  [fName] NVARCHAR(100) NULL,
  [fcl] INT NOT NULL DEFAULT 0,
  [fcr] INT NOT NULL DEFAULT 0,
  [fclev] INT NOT NULL DEFAULT 0,
  [fGUID1] BIGINT NOT NULL DEFAULT 0,
  [fGUID2] BIGINT NOT NULL DEFAULT 0
);
CREATE INDEX [ix_tirVATsGroups_guid] ON [dbo].[tirVATsGroups] (fGUID1, fGUID2);
CREATE INDEX [ix_tirVATsGroups_cl] ON [dbo].[tirVATsGroups] (fcl);
INSERT INTO [dbo].[tirVATsGroups] ([fName], [fcl], [fcr], [fclev], [fGUID1], [fGUID2]) VALUES (N'root', 1, 2, 0, 0, 0);

CREATE TABLE [dbo].[tirItemCost] (
  [fId] INT IDENTITY(1,1) NOT NULL PRIMARY KEY,
  [fCode] NVARCHAR(50) NULL,
  [fName] NVARCHAR(255) NULL,
  [fNamePrint] NVARCHAR(255) NULL,
  [fState] INT NULL DEFAULT 1,
  [fGroupID] BIGINT NULL DEFAULT 0,
  [fGUID1] BIGINT NOT NULL DEFAULT 0,
  [fGUID2] BIGINT NOT NULL DEFAULT 0
);
CREATE INDEX [ix_tirItemCost_guid] ON [dbo].[tirItemCost] (fGUID1, fGUID2);
CREATE INDEX [ix_tirItemCost_group] ON [dbo].[tirItemCost] (fGroupID);

CREATE TABLE [dbo].[tirItemCostGroups] (
  [fId] INT IDENTITY(1,1) NOT NULL PRIMARY KEY,
  [fName] NVARCHAR(100) NULL,
  [fcl] INT NOT NULL DEFAULT 0,
  [fcr] INT NOT NULL DEFAULT 0,
  [fclev] INT NOT NULL DEFAULT 0,
  [fGUID1] BIGINT NOT NULL DEFAULT 0,
  [fGUID2] BIGINT NOT NULL DEFAULT 0
);
CREATE INDEX [ix_tirItemCostGroups_guid] ON [dbo].[tirItemCostGroups] (fGUID1, fGUID2);
CREATE INDEX [ix_tirItemCostGroups_cl] ON [dbo].[tirItemCostGroups] (fcl);
INSERT INTO [dbo].[tirItemCostGroups] ([fName], [fcl], [fcr], [fclev], [fGUID1], [fGUID2]) VALUES (N'root', 1, 2, 0, 0, 0);

CREATE TABLE [dbo].[tirTables] (
  [fId] INT IDENTITY(1,1) NOT NULL PRIMARY KEY,
  [fCode] NVARCHAR(50) NULL,
  [fName] NVARCHAR(255) NULL,
  [fNamePrint] NVARCHAR(255) NULL,
  [fState] INT NULL DEFAULT 1,
  [fGroupID] BIGINT NULL DEFAULT 0,
  [fGUID1] BIGINT NOT NULL DEFAULT 0,
  [fGUID2] BIGINT NOT NULL DEFAULT 0
);
CREATE INDEX [ix_tirTables_guid] ON [dbo].[tirTables] (fGUID1, fGUID2);
CREATE INDEX [ix_tirTables_group] ON [dbo].[tirTables] (fGroupID);

CREATE TABLE [dbo].[tirTablesGroups] (
  [fId] INT IDENTITY(1,1) NOT NULL PRIMARY KEY,
  [fName] NVARCHAR(100) NULL,
  [fcl] INT NOT NULL DEFAULT 0,
  [fcr] INT NOT NULL DEFAULT 0,
  [fclev] INT NOT NULL DEFAULT 0,
  [fGUID1] BIGINT NOT NULL DEFAULT 0,
  [fGUID2] BIGINT NOT NULL DEFAULT 0
);
CREATE INDEX [ix_tirTablesGroups_guid] ON [dbo].[tirTablesGroups] (fGUID1, fGUID2);
CREATE INDEX [ix_tirTablesGroups_cl] ON [dbo].[tirTablesGroups] (fcl);
INSERT INTO [dbo].[tirTablesGroups] ([fName], [fcl], [fcr], [fclev], [fGUID1], [fGUID2]) VALUES (N'root', 1, 2, 0, 0, 0);

CREATE TABLE [dbo].[tirMods] (
  [fId] INT IDENTITY(1,1) NOT NULL PRIMARY KEY,
  [fCode] NVARCHAR(50) NULL,
  [fName] NVARCHAR(255) NULL,
  [fNamePrint] NVARCHAR(255) NULL,
  [fState] INT NULL DEFAULT 1,
  [fGroupID] BIGINT NULL DEFAULT 0,
  [fGUID1] BIGINT NOT NULL DEFAULT 0,
  [fGUID2] BIGINT NOT NULL DEFAULT 0
);
CREATE INDEX [ix_tirMods_guid] ON [dbo].[tirMods] (fGUID1, fGUID2);
CREATE INDEX [ix_tirMods_group] ON [dbo].[tirMods] (fGroupID);

CREATE TABLE [dbo].[tirModsGroups] (
  [fId] INT IDENTITY(1,1) NOT NULL PRIMARY KEY,
  [fName] NVARCHAR(100) NULL,
  [fcl] INT NOT NULL DEFAULT 0,
  [fcr] INT NOT NULL DEFAULT 0,
  [fclev] INT NOT NULL DEFAULT 0,
  [fGUID1] BIGINT NOT NULL DEFAULT 0,
  [fGUID2] BIGINT NOT NULL DEFAULT 0
);
CREATE INDEX [ix_tirModsGroups_guid] ON [dbo].[tirModsGroups] (fGUID1, fGUID2);
CREATE INDEX [ix_tirModsGroups_cl] ON [dbo].[tirModsGroups] (fcl);
INSERT INTO [dbo].[tirModsGroups] ([fName], [fcl], [fcr], [fclev], [fGUID1], [fGUID2]) VALUES (N'root', 1, 2, 0, 0, 0);

CREATE TABLE [dbo].[tirSalePoints] (
  [fId] INT IDENTITY(1,1) NOT NULL PRIMARY KEY,
  [fCode] NVARCHAR(50) NULL,
  [fName] NVARCHAR(255) NULL,
  [fNamePrint] NVARCHAR(255) NULL,
  [fState] INT NULL DEFAULT 1,
  [fBitParams] INT NULL DEFAULT 0,
  [fPriceId] INT NULL DEFAULT 0,
  [fPriceId2] INT NULL DEFAULT 0,
  [fGroupID] BIGINT NULL DEFAULT 0,
  [fGUID1] BIGINT NOT NULL DEFAULT 0,
  [fGUID2] BIGINT NOT NULL DEFAULT 0
);
CREATE INDEX [ix_tirSalePoints_guid] ON [dbo].[tirSalePoints] (fGUID1, fGUID2);
CREATE INDEX [ix_tirSalePoints_group] ON [dbo].[tirSalePoints] (fGroupID);

CREATE TABLE [dbo].[tirSalePGroups] (
  [fId] INT IDENTITY(1,1) NOT NULL PRIMARY KEY,
  [fName] NVARCHAR(100) NULL,
  [fcl] INT NOT NULL DEFAULT 0,
  [fcr] INT NOT NULL DEFAULT 0,
  [fclev] INT NOT NULL DEFAULT 0,
  [fGUID1] BIGINT NOT NULL DEFAULT 0,
  [fGUID2] BIGINT NOT NULL DEFAULT 0
);
CREATE INDEX [ix_tirSalePGroups_guid] ON [dbo].[tirSalePGroups] (fGUID1, fGUID2);
CREATE INDEX [ix_tirSalePGroups_cl] ON [dbo].[tirSalePGroups] (fcl);
INSERT INTO [dbo].[tirSalePGroups] ([fName], [fcl], [fcr], [fclev], [fGUID1], [fGUID2]) VALUES (N'root', 1, 2, 0, 0, 0);

CREATE TABLE [dbo].[tirDiscount] (
  [fId] INT IDENTITY(1,1) NOT NULL PRIMARY KEY,
  [fName] NVARCHAR(255) NULL,
  [fNameF] NVARCHAR(500) NULL,
  [fPos] INT NULL DEFAULT 0,
  [fActiv] INT NULL DEFAULT 0,
  [fPStr] NVARCHAR(MAX) NULL,
  [fVer] INT NULL DEFAULT 0,
  [fSalesPList] NVARCHAR(1000) NULL,
  [fGUID1] BIGINT NOT NULL DEFAULT 0,
  [fGUID2] BIGINT NOT NULL DEFAULT 0
);
CREATE INDEX [ix_tirDiscount_guid] ON [dbo].[tirDiscount] (fGUID1, fGUID2);

CREATE TABLE [dbo].[tirEKKAGroups] (
  [fId] INT IDENTITY(1,1) NOT NULL PRIMARY KEY,
  [fName] NVARCHAR(100) NULL,
  [fcl] INT NOT NULL DEFAULT 0,
  [fcr] INT NOT NULL DEFAULT 0,
  [fclev] INT NOT NULL DEFAULT 0,
  [fGUID1] BIGINT NOT NULL DEFAULT 0,
  [fGUID2] BIGINT NOT NULL DEFAULT 0
);
CREATE INDEX [ix_tirEKKAGroups_guid] ON [dbo].[tirEKKAGroups] (fGUID1, fGUID2);
CREATE INDEX [ix_tirEKKAGroups_cl] ON [dbo].[tirEKKAGroups] (fcl);
INSERT INTO [dbo].[tirEKKAGroups] ([fName], [fcl], [fcr], [fclev], [fGUID1], [fGUID2]) VALUES (N'root', 1, 2, 0, 0, 0);

CREATE TABLE [dbo].[tirDocuments] (
  [fId] BIGINT IDENTITY(1,1) NOT NULL PRIMARY KEY,
  [fDocNum] BIGINT NULL DEFAULT 0,
  [fDateTime] DATETIME NULL,
  [fRealDateTime] DATETIME NULL,
  [fEntityId] BIGINT NULL DEFAULT 0,
  [fPartnerId] BIGINT NULL DEFAULT 0,
  [fStoreId] BIGINT NULL DEFAULT 0,
  [fStoreId2] BIGINT NULL DEFAULT 0,
  [fContractId] BIGINT NULL DEFAULT 0,
  [fUserId] BIGINT NULL DEFAULT 0,
  [fRealUserId] BIGINT NULL DEFAULT 0,
  [fDesc] NVARCHAR(1000) NULL,
  [fDocType] INT NULL DEFAULT 0,
  [fDocSum] FLOAT NULL DEFAULT 0,
  [fCurrId] BIGINT NULL DEFAULT 0,
  [fCurrRate] FLOAT NULL DEFAULT 1,
  [fCashAccountId] BIGINT NULL DEFAULT 0,
  [fItemCost] BIGINT NULL DEFAULT 0,
  [fInputNum] NVARCHAR(50) NULL,
  [fInputDate] DATETIME NULL,
  [fTransactId] BIGINT NULL DEFAULT 0,
  [fPr] INT NULL DEFAULT 0,
  [fTreeId] NVARCHAR(255) NULL,
  [fState] INT NULL DEFAULT 0,
  [fTagChar50] NVARCHAR(50) NULL,
  [fTagInt] INT NULL DEFAULT 0,
  [fTagInt2] INT NULL DEFAULT 0,
  [fTagInt3] INT NULL DEFAULT 0,
  [fIsPaid] INT NULL DEFAULT 0,
  [fTableId] BIGINT NULL DEFAULT 0,
  [fColor] BIGINT NULL,
  [fPRRODate] BIGINT NULL DEFAULT 0,
  [fPRROFN] NVARCHAR(50) NULL,
  [fPRRORealDate] DATETIME NULL,
  [fWFrom] INT NULL DEFAULT 0,
  [fPayCardId] BIGINT NULL DEFAULT 0,
  [fBaseId] INT NULL DEFAULT 0,
  [fSalePId] INT NULL DEFAULT 0,
  [fRV] ROWVERSION,
  [fSyncDate] DATETIME NULL,
  [fSyncState] INT NULL DEFAULT 0,
  [fGUID1] BIGINT NOT NULL DEFAULT 0,
  [fGUID2] BIGINT NOT NULL DEFAULT 0
);
CREATE INDEX [ix_tirDocuments_guid] ON [dbo].[tirDocuments] (fGUID1, fGUID2);
CREATE INDEX [ix_tirDocuments_date] ON [dbo].[tirDocuments] (fDateTime);
CREATE INDEX [ix_tirDocuments_type] ON [dbo].[tirDocuments] (fDocType, fDocNum);
CREATE INDEX [ix_tirDocuments_sync] ON [dbo].[tirDocuments] (fSyncDate);
CREATE INDEX [ix_tirDocuments_rv] ON [dbo].[tirDocuments] (fRV);
CREATE INDEX [ix_tirDocuments_transact] ON [dbo].[tirDocuments] (fTransactId);

CREATE TABLE [dbo].[tirDocGoods] (
  [fId] BIGINT IDENTITY(1,1) NOT NULL PRIMARY KEY,
  [fDocId] BIGINT NULL DEFAULT 0,
  [fGoodId] BIGINT NULL DEFAULT 0,
  [fPriceIn] FLOAT NULL DEFAULT 0,
  [fPriceOut] FLOAT NULL DEFAULT 0,
  [fDiscount] FLOAT NULL DEFAULT 0,
  [fCurrId] INT NULL DEFAULT 0,
  [fUnitType] INT NULL DEFAULT 0,
  [fSum] FLOAT NULL DEFAULT 0,
  [fQtty] FLOAT NULL DEFAULT 0,
  [fVatSum] FLOAT NULL DEFAULT 0,
  [fTypeInDoc] INT NULL DEFAULT 0,
  [fParentGoodId] BIGINT NULL DEFAULT 0,
  [fStrTag1] NVARCHAR(255) NULL,
  [fExStamp] NVARCHAR(255) NULL,
  [fPosId] INT NULL DEFAULT 0,
  [fDesc] NVARCHAR(1000) NULL
);
CREATE INDEX [ix_tirDocGoods_doc] ON [dbo].[tirDocGoods] (fDocId);
CREATE INDEX [ix_tirDocGoods_good] ON [dbo].[tirDocGoods] (fGoodId);

CREATE TABLE [dbo].[tirDocStoreMove] (
  [fId] BIGINT IDENTITY(1,1) NOT NULL PRIMARY KEY,
  [fDocId] BIGINT NULL DEFAULT 0,
  [fOldStoreId] BIGINT NULL DEFAULT 0,
  [fNewStoreId] BIGINT NULL DEFAULT 0,
  [fDateTime] DATETIME NULL,
  [fUserId] BIGINT NULL DEFAULT 0
);
CREATE INDEX [ix_tirDocStoreMove_doc] ON [dbo].[tirDocStoreMove] (fDocId);

CREATE TABLE [dbo].[tirAStore] (
  [fId] BIGINT IDENTITY(1,1) NOT NULL PRIMARY KEY,
  [fEntId] BIGINT NULL DEFAULT 0,
  [fStoreId] BIGINT NULL DEFAULT 0,
  [fGoodId] BIGINT NULL DEFAULT 0,
  [fPartId] BIGINT NULL DEFAULT 0,
  [fDateTime] DATETIME NULL,
  [fOperType] INT NULL DEFAULT 0,
  [fDocId] BIGINT NULL DEFAULT 0,
  [fSign] INT NULL DEFAULT 0,
  [fQtty] FLOAT NULL DEFAULT 0,
  [fSum] FLOAT NULL DEFAULT 0,
  [fPosGoodId] BIGINT NULL DEFAULT 0,
  [fContractId] BIGINT NULL DEFAULT 0,
  [fTransactId] BIGINT NULL DEFAULT 0
);
CREATE INDEX [ix_tirAStore_doc] ON [dbo].[tirAStore] (fDocId);
CREATE INDEX [ix_tirAStore_key] ON [dbo].[tirAStore] (fEntId, fStoreId, fGoodId);
CREATE INDEX [ix_tirAStore_good] ON [dbo].[tirAStore] (fGoodId, fDateTime);
CREATE INDEX [ix_tirAStore_date] ON [dbo].[tirAStore] (fDateTime);

CREATE TABLE [dbo].[tirAStoreNow] (
  [fId] BIGINT IDENTITY(1,1) NOT NULL PRIMARY KEY,
  [fEntId] BIGINT NULL,
  [fStoreId] BIGINT NULL,
  [fGoodId] BIGINT NULL,
  [fQtty] FLOAT NULL DEFAULT 0,
  [fSum] FLOAT NULL DEFAULT 0
);
CREATE UNIQUE INDEX [ix_tirAStoreNow_key] ON [dbo].[tirAStoreNow] (fEntId, fStoreId, fGoodId);
CREATE INDEX [ix_tirAStoreNow_good] ON [dbo].[tirAStoreNow] (fGoodId);

CREATE TABLE [dbo].[tirAMSettlement] (
  [fId] BIGINT IDENTITY(1,1) NOT NULL PRIMARY KEY,
  [fContractId] BIGINT NULL DEFAULT 0,
  [fTransactId] BIGINT NULL DEFAULT 0,
  [fEntId] BIGINT NULL DEFAULT 0,
  [fPartId] BIGINT NULL DEFAULT 0,
  [fDocId] BIGINT NULL DEFAULT 0,
  [fSign] INT NULL DEFAULT 0,
  [fSum] FLOAT NULL DEFAULT 0,
  [fDateTime] DATETIME NULL,
  [fStoreId] BIGINT NULL DEFAULT 0,
  [fOperType] INT NULL DEFAULT 0
);
CREATE INDEX [ix_tirAMSettlement_doc] ON [dbo].[tirAMSettlement] (fDocId);
CREATE INDEX [ix_tirAMSettlement_contract] ON [dbo].[tirAMSettlement] (fContractId, fTransactId);

CREATE TABLE [dbo].[tirAPayments] (
  [fId] BIGINT IDENTITY(1,1) NOT NULL PRIMARY KEY,
  [fContractId] BIGINT NULL DEFAULT 0,
  [fTransactId] BIGINT NULL DEFAULT 0,
  [fEntId] BIGINT NULL DEFAULT 0,
  [fPartId] BIGINT NULL DEFAULT 0,
  [fDocId] BIGINT NULL DEFAULT 0,
  [fSign] INT NULL DEFAULT 0,
  [fSum] FLOAT NULL DEFAULT 0,
  [fDateTime] DATETIME NULL,
  [fOperType] INT NULL DEFAULT 0,
  [fCashAccountId] BIGINT NULL DEFAULT 0,
  [fStoreId] BIGINT NULL DEFAULT 0,
  [fItemCost] BIGINT NULL DEFAULT 0
);
CREATE INDEX [ix_tirAPayments_doc] ON [dbo].[tirAPayments] (fDocId);
CREATE INDEX [ix_tirAPayments_cash] ON [dbo].[tirAPayments] (fCashAccountId);

CREATE TABLE [dbo].[tirDEXSBaseIDs] (
  [fId] INT IDENTITY(1,1) NOT NULL PRIMARY KEY,
  [fBaseGUID] NVARCHAR(50) NULL,
  [fStartDate] DATETIME NULL,
  [fLastConnDate] DATETIME NULL,
  [fDesc] NVARCHAR(255) NULL
);
CREATE INDEX [ix_tirDEXSBaseIDs_guid] ON [dbo].[tirDEXSBaseIDs] (fBaseGUID);

CREATE TABLE [dbo].[tirSysLog] (
  [fId] BIGINT IDENTITY(1,1) NOT NULL PRIMARY KEY,
  [fDateTime] DATETIME NULL,
  [fUserId] BIGINT NULL DEFAULT 0,
  [fType] INT NULL DEFAULT 0,
  [fGoodId] BIGINT NULL DEFAULT 0,
  [fDocId] BIGINT NULL DEFAULT 0,
  [fData] NVARCHAR(MAX) NULL
);
CREATE INDEX [ix_tirSysLog_doc] ON [dbo].[tirSysLog] (fDocId);
CREATE INDEX [ix_tirSysLog_date] ON [dbo].[tirSysLog] (fDateTime);

GO

-- Chain exchange. Everything below is also run on an existing base when the exchange service or
-- client opens it (schema::EnsureChainSchema), so every statement checks before it creates.
--
-- The goods-changed counter (tirSettings fMId 0, fPType -30) moves on every write of goods,
-- prices, goods groups, recipes and price names, whoever writes them; a price row written also
-- touches its good, so that the good's row version says it changed.
IF NOT EXISTS (SELECT 1 FROM [dbo].[tirSettings] WHERE fMId = 0 AND fPType = -30) INSERT INTO [dbo].[tirSettings] ([fPValId], [fUserId], [fMId], [fPType], [fPB], [fPI], [fPStr50], [fPStr], [fPDate]) VALUES (0, 0, 0, -30, 0, 0, NULL, N'', NULL);
IF OBJECT_ID(N'dbo.trgx_tirGoods_counter', N'TR') IS NULL EXEC sp_executesql N'CREATE TRIGGER dbo.trgx_tirGoods_counter ON dbo.tirGoods AFTER INSERT, UPDATE, DELETE AS BEGIN SET NOCOUNT ON; UPDATE dbo.tirSettings SET fPI = ISNULL(fPI, 0) + 1 WHERE fMId = 0 AND fPType = -30; END';
IF OBJECT_ID(N'dbo.trgx_tirGoodsGroups_counter', N'TR') IS NULL EXEC sp_executesql N'CREATE TRIGGER dbo.trgx_tirGoodsGroups_counter ON dbo.tirGoodsGroups AFTER INSERT, UPDATE, DELETE AS BEGIN SET NOCOUNT ON; IF NOT EXISTS (SELECT 1 FROM inserted i FULL JOIN deleted d ON i.fId = d.fId WHERE i.fId IS NULL OR d.fId IS NULL OR ISNULL(i.fName, N'''') <> ISNULL(d.fName, N'''') OR i.fGUID1 <> d.fGUID1 OR i.fGUID2 <> d.fGUID2 OR i.fclev <> d.fclev) RETURN; UPDATE dbo.tirSettings SET fPI = ISNULL(fPI, 0) + 1 WHERE fMId = 0 AND fPType = -30; END';
IF OBJECT_ID(N'dbo.trgx_tirPricesNames_counter', N'TR') IS NULL EXEC sp_executesql N'CREATE TRIGGER dbo.trgx_tirPricesNames_counter ON dbo.tirPricesNames AFTER INSERT, UPDATE, DELETE AS BEGIN SET NOCOUNT ON; UPDATE dbo.tirSettings SET fPI = ISNULL(fPI, 0) + 1 WHERE fMId = 0 AND fPType = -30; END';
IF OBJECT_ID(N'dbo.trgx_tirPrices_counter', N'TR') IS NULL EXEC sp_executesql N'CREATE TRIGGER dbo.trgx_tirPrices_counter ON dbo.tirPrices AFTER INSERT, UPDATE, DELETE AS BEGIN SET NOCOUNT ON; UPDATE dbo.tirSettings SET fPI = ISNULL(fPI, 0) + 1 WHERE fMId = 0 AND fPType = -30; UPDATE g SET fGUID1 = g.fGUID1 FROM dbo.tirGoods g WHERE g.fId IN (SELECT fGoodId FROM inserted UNION SELECT fGoodId FROM deleted); END';
IF OBJECT_ID(N'dbo.trgx_tirRecipes_counter', N'TR') IS NULL EXEC sp_executesql N'CREATE TRIGGER dbo.trgx_tirRecipes_counter ON dbo.tirRecipes AFTER INSERT, UPDATE, DELETE AS BEGIN SET NOCOUNT ON; UPDATE dbo.tirSettings SET fPI = ISNULL(fPI, 0) + 1 WHERE fMId = 0 AND fPType = -30; END';

-- Document change stamps: one base-wide increasing number per document, moved whenever its
-- header or one of its lines is inserted, changed or deleted. Stamps of deleted documents stay,
-- so that the largest stamp never goes back. A base that had documents before it had stamps
-- starts them at the documents' ids.
IF OBJECT_ID(N'dbo.tirxDocStamps', N'U') IS NULL CREATE TABLE [dbo].[tirxDocStamps] (
  [fDocId] BIGINT NOT NULL PRIMARY KEY,
  [fStamp] BIGINT NOT NULL DEFAULT 0
);
IF NOT EXISTS (SELECT 1 FROM sys.indexes WHERE name = N'ix_tirxDocStamps_stamp') CREATE INDEX [ix_tirxDocStamps_stamp] ON [dbo].[tirxDocStamps] (fStamp);
IF NOT EXISTS (SELECT 1 FROM [dbo].[tirxDocStamps]) INSERT INTO [dbo].[tirxDocStamps] ([fDocId], [fStamp]) SELECT fId, fId FROM [dbo].[tirDocuments];
IF OBJECT_ID(N'dbo.trgx_tirDocuments_stamp', N'TR') IS NULL EXEC sp_executesql N'CREATE TRIGGER dbo.trgx_tirDocuments_stamp ON dbo.tirDocuments AFTER INSERT, UPDATE AS BEGIN SET NOCOUNT ON; DECLARE @s BIGINT; SELECT @s = ISNULL(MAX(fStamp), 0) FROM dbo.tirxDocStamps WITH (UPDLOCK, HOLDLOCK); MERGE dbo.tirxDocStamps AS t USING (SELECT d.fDocId, ROW_NUMBER() OVER (ORDER BY d.fDocId) AS n FROM (SELECT fId AS fDocId FROM inserted UNION SELECT fId FROM deleted) d) AS s ON t.fDocId = s.fDocId WHEN MATCHED THEN UPDATE SET fStamp = @s + s.n WHEN NOT MATCHED THEN INSERT (fDocId, fStamp) VALUES (s.fDocId, @s + s.n); END';
IF OBJECT_ID(N'dbo.trgx_tirDocGoods_stamp', N'TR') IS NULL EXEC sp_executesql N'CREATE TRIGGER dbo.trgx_tirDocGoods_stamp ON dbo.tirDocGoods AFTER INSERT, UPDATE, DELETE AS BEGIN SET NOCOUNT ON; DECLARE @s BIGINT; SELECT @s = ISNULL(MAX(fStamp), 0) FROM dbo.tirxDocStamps WITH (UPDLOCK, HOLDLOCK); MERGE dbo.tirxDocStamps AS t USING (SELECT d.fDocId, ROW_NUMBER() OVER (ORDER BY d.fDocId) AS n FROM (SELECT fDocId AS fDocId FROM inserted UNION SELECT fDocId FROM deleted) d) AS s ON t.fDocId = s.fDocId WHEN MATCHED THEN UPDATE SET fStamp = @s + s.n WHEN NOT MATCHED THEN INSERT (fDocId, fStamp) VALUES (s.fDocId, @s + s.n); END';

-- The peers of the exchange service: one row per token profile name, with what the profile may
-- do beyond its stored form (fUsers: users and rights travel to it; fReadOnly: it writes nothing).
IF OBJECT_ID(N'dbo.tirxPeers', N'U') IS NULL CREATE TABLE [dbo].[tirxPeers] (
  [fId] INT IDENTITY(1,1) NOT NULL PRIMARY KEY,
  [fName] NVARCHAR(50) NOT NULL,
  [fUsers] INT NOT NULL DEFAULT 0,
  [fReadOnly] INT NOT NULL DEFAULT 0
);
IF NOT EXISTS (SELECT 1 FROM sys.indexes WHERE name = N'ix_tirxPeers_name') CREATE UNIQUE INDEX [ix_tirxPeers_name] ON [dbo].[tirxPeers] (fName);

-- Document batches answered to a peer (fBatch the id the answer carries), with each document at
-- the stamp it had when the batch was built; fAcked 1 once the peer confirmed its load.
IF OBJECT_ID(N'dbo.tirxPeerBatches', N'U') IS NULL CREATE TABLE [dbo].[tirxPeerBatches] (
  [fId] BIGINT IDENTITY(1,1) NOT NULL PRIMARY KEY,
  [fBatch] NVARCHAR(64) NOT NULL,
  [fPeer] NVARCHAR(50) NOT NULL,
  [fAcked] INT NOT NULL DEFAULT 0,
  [fCreated] DATETIME NULL
);
IF NOT EXISTS (SELECT 1 FROM sys.indexes WHERE name = N'ix_tirxPeerBatches_batch') CREATE UNIQUE INDEX [ix_tirxPeerBatches_batch] ON [dbo].[tirxPeerBatches] (fBatch);
IF NOT EXISTS (SELECT 1 FROM sys.indexes WHERE name = N'ix_tirxPeerBatches_peer') CREATE INDEX [ix_tirxPeerBatches_peer] ON [dbo].[tirxPeerBatches] (fPeer, fAcked);
IF OBJECT_ID(N'dbo.tirxPeerBatchDocs', N'U') IS NULL CREATE TABLE [dbo].[tirxPeerBatchDocs] (
  [fId] BIGINT IDENTITY(1,1) NOT NULL PRIMARY KEY,
  [fBatchId] BIGINT NOT NULL,
  [fDocId] BIGINT NOT NULL,
  [fStamp] BIGINT NOT NULL
);
IF NOT EXISTS (SELECT 1 FROM sys.indexes WHERE name = N'ix_tirxPeerBatchDocs_batch') CREATE INDEX [ix_tirxPeerBatchDocs_batch] ON [dbo].[tirxPeerBatchDocs] (fBatchId);

-- The documents each peer holds, at the stamp it holds them in.
IF OBJECT_ID(N'dbo.tirxPeerDocs', N'U') IS NULL CREATE TABLE [dbo].[tirxPeerDocs] (
  [fId] BIGINT IDENTITY(1,1) NOT NULL PRIMARY KEY,
  [fPeer] NVARCHAR(50) NOT NULL,
  [fDocId] BIGINT NOT NULL,
  [fStamp] BIGINT NOT NULL
);
IF NOT EXISTS (SELECT 1 FROM sys.indexes WHERE name = N'ix_tirxPeerDocs_peer_doc') CREATE UNIQUE INDEX [ix_tirxPeerDocs_peer_doc] ON [dbo].[tirxPeerDocs] (fPeer, fDocId);

-- Client side: documents loaded from a service, at the stamp the load gave them here, and the
-- documents pushed to a service (fService its address), at the stamp they were pushed in.
IF OBJECT_ID(N'dbo.tirxReceived', N'U') IS NULL CREATE TABLE [dbo].[tirxReceived] (
  [fDocId] BIGINT NOT NULL PRIMARY KEY,
  [fStamp] BIGINT NOT NULL DEFAULT 0
);
IF OBJECT_ID(N'dbo.tirxPushed', N'U') IS NULL CREATE TABLE [dbo].[tirxPushed] (
  [fId] BIGINT IDENTITY(1,1) NOT NULL PRIMARY KEY,
  [fService] NVARCHAR(450) NOT NULL,
  [fDocId] BIGINT NOT NULL,
  [fStamp] BIGINT NOT NULL
);
IF NOT EXISTS (SELECT 1 FROM sys.indexes WHERE name = N'ix_tirxPushed_service_doc') CREATE UNIQUE INDEX [ix_tirxPushed_service_doc] ON [dbo].[tirxPushed] (fService, fDocId);

-- What the exchange service last saw of each peer: its last pull (documents and rows sent), its
-- last push (documents received) and its last refusal, written on every request of the peer.
IF OBJECT_ID(N'dbo.tirxPeerStatus', N'U') IS NULL CREATE TABLE [dbo].[tirxPeerStatus] (
  [fId] BIGINT IDENTITY(1,1) NOT NULL PRIMARY KEY,
  [fPeer] NVARCHAR(50) NOT NULL,
  [fPullAt] DATETIME NULL,
  [fPullDocs] BIGINT NOT NULL DEFAULT 0,
  [fPullRows] BIGINT NOT NULL DEFAULT 0,
  [fPushAt] DATETIME NULL,
  [fPushDocs] BIGINT NOT NULL DEFAULT 0,
  [fErrorAt] DATETIME NULL,
  [fErrorText] NVARCHAR(MAX) NULL
);
IF NOT EXISTS (SELECT 1 FROM sys.indexes WHERE name = N'ix_tirxPeerStatus_peer') CREATE UNIQUE INDEX [ix_tirxPeerStatus_peer] ON [dbo].[tirxPeerStatus] (fPeer);

-- Token profiles that administer the service (its status pages) instead of exchanging data.
IF OBJECT_ID(N'dbo.tirxAdmins', N'U') IS NULL CREATE TABLE [dbo].[tirxAdmins] (
  [fId] INT IDENTITY(1,1) NOT NULL PRIMARY KEY,
  [fName] NVARCHAR(50) NOT NULL
);
IF NOT EXISTS (SELECT 1 FROM sys.indexes WHERE name = N'ix_tirxAdmins_name') CREATE UNIQUE INDEX [ix_tirxAdmins_name] ON [dbo].[tirxAdmins] (fName);

-- Group trees: an index on (fcr, fcl) lets the integrity check count each group's ancestors and
-- the inserts move the right bounds without reading the table rows (see the SQLite schema).
IF NOT EXISTS (SELECT 1 FROM sys.indexes WHERE name = N'ix_tirUsersGroups_crcl') CREATE INDEX [ix_tirUsersGroups_crcl] ON [dbo].[tirUsersGroups] (fcr, fcl);
IF NOT EXISTS (SELECT 1 FROM sys.indexes WHERE name = N'ix_tirGoodsGroups_crcl') CREATE INDEX [ix_tirGoodsGroups_crcl] ON [dbo].[tirGoodsGroups] (fcr, fcl);
IF NOT EXISTS (SELECT 1 FROM sys.indexes WHERE name = N'ix_tirPricesGroups_crcl') CREATE INDEX [ix_tirPricesGroups_crcl] ON [dbo].[tirPricesGroups] (fcr, fcl);
IF NOT EXISTS (SELECT 1 FROM sys.indexes WHERE name = N'ix_tirUktzedGroups_crcl') CREATE INDEX [ix_tirUktzedGroups_crcl] ON [dbo].[tirUktzedGroups] (fcr, fcl);
IF NOT EXISTS (SELECT 1 FROM sys.indexes WHERE name = N'ix_tirPartnersGroups_crcl') CREATE INDEX [ix_tirPartnersGroups_crcl] ON [dbo].[tirPartnersGroups] (fcr, fcl);
IF NOT EXISTS (SELECT 1 FROM sys.indexes WHERE name = N'ix_tirEntitiesGroups_crcl') CREATE INDEX [ix_tirEntitiesGroups_crcl] ON [dbo].[tirEntitiesGroups] (fcr, fcl);
IF NOT EXISTS (SELECT 1 FROM sys.indexes WHERE name = N'ix_tirStoresGroups_crcl') CREATE INDEX [ix_tirStoresGroups_crcl] ON [dbo].[tirStoresGroups] (fcr, fcl);
IF NOT EXISTS (SELECT 1 FROM sys.indexes WHERE name = N'ix_tirCurrenciesGroups_crcl') CREATE INDEX [ix_tirCurrenciesGroups_crcl] ON [dbo].[tirCurrenciesGroups] (fcr, fcl);
IF NOT EXISTS (SELECT 1 FROM sys.indexes WHERE name = N'ix_tirVATsGroups_crcl') CREATE INDEX [ix_tirVATsGroups_crcl] ON [dbo].[tirVATsGroups] (fcr, fcl);
IF NOT EXISTS (SELECT 1 FROM sys.indexes WHERE name = N'ix_tirItemCostGroups_crcl') CREATE INDEX [ix_tirItemCostGroups_crcl] ON [dbo].[tirItemCostGroups] (fcr, fcl);
IF NOT EXISTS (SELECT 1 FROM sys.indexes WHERE name = N'ix_tirTablesGroups_crcl') CREATE INDEX [ix_tirTablesGroups_crcl] ON [dbo].[tirTablesGroups] (fcr, fcl);
IF NOT EXISTS (SELECT 1 FROM sys.indexes WHERE name = N'ix_tirModsGroups_crcl') CREATE INDEX [ix_tirModsGroups_crcl] ON [dbo].[tirModsGroups] (fcr, fcl);
IF NOT EXISTS (SELECT 1 FROM sys.indexes WHERE name = N'ix_tirSalePGroups_crcl') CREATE INDEX [ix_tirSalePGroups_crcl] ON [dbo].[tirSalePGroups] (fcr, fcl);
IF NOT EXISTS (SELECT 1 FROM sys.indexes WHERE name = N'ix_tirEKKAGroups_crcl') CREATE INDEX [ix_tirEKKAGroups_crcl] ON [dbo].[tirEKKAGroups] (fcr, fcl);
